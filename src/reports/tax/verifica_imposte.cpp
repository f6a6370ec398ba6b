// Daily check of assigned taxes: room by room, the guests present on the
// night of the day beside the tourist-tax lines charged for that day, and a
// warning on every room where the persons charged (paying or exempt) differ
// from the guests lodged. Live register only: archived guests have left.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/dates.h"
#include "common/text.h"
#include "data/engine/database.h"
#include "data/hotel.h"
#include "output/report_file.h"
#include "reports/reports.h"

namespace corvex {

namespace {

constexpr std::size_t kLarghezzaBlocco = 103;  // notes are appended from column 104
const std::string kRigaRighello(111, '-');

// The lines of one room: guest k on line k, charge line k on line k, two
// independent lists side by side. A room with more than ten guests or ten
// charge lines simply continues on further lines of the same block.
class BloccoCamera {
  public:
    void svuota() {
        righe_.clear();
        ospiti_ = 0;
        addebiti_ = 0;
        persone_ = 0;
    }

    // Writes text over a line from column col (1-based), like an in-place
    // Mid$ assignment: at most `max` characters.
    void scrivi(std::size_t riga, std::size_t col, const std::string& text, std::size_t max) {
        std::string& l = linea(riga);
        const std::string t = left(text, max);
        if (l.size() < col - 1 + t.size()) l.resize(col - 1 + t.size(), ' ');
        l.replace(col - 1, t.size(), t);
    }
    void aggiungi(std::size_t riga, const std::string& text) { linea(riga) += text; }

    std::size_t nuovoOspite() { return ospiti_++; }
    std::size_t nuovoAddebito() { return addebiti_++; }
    void aggiungiPersone(std::int64_t n) { persone_ += n; }

    std::int64_t ospiti() const { return static_cast<std::int64_t>(ospiti_); }
    std::int64_t persone() const { return persone_; }
    const std::vector<std::string>& righe() const { return righe_; }

  private:
    std::string& linea(std::size_t riga) {
        while (righe_.size() <= riga) righe_.emplace_back(kLarghezzaBlocco, ' ');
        return righe_[riga];
    }

    std::vector<std::string> righe_;
    std::size_t ospiti_ = 0;
    std::size_t addebiti_ = 0;
    std::int64_t persone_ = 0;
};

// Closes a room block: its lines that are not entirely blank (at full
// width, trailing blanks kept), the room totals with the warning, a rule.
void chiudiBlocco(std::vector<std::string>& out, const BloccoCamera& b) {
    for (const auto& l : b.righe()) {
        if (l.find_first_not_of(' ') != std::string::npos) out.push_back(l);
    }
    std::string totali = std::string(42, ' ') + padLeft(str(b.ospiti()), 3) + std::string(31, ' ') +
                         padLeft(str(b.persone()), 3) + " ";
    if (b.ospiti() != b.persone()) totali += "Controllare!!!";
    out.push_back(totali);
    out.push_back(kRigaRighello);
}

// GGMax of the hotel's general settings; 0 (no nights warning) without a row.
std::int64_t leggiGGMax() {
    // The settings file is named "Ids.mdb" here; names are matched without
    // regard to case, so this finds IdS.mdb.
    db::Database ids = db::Database::open("Ids.mdb");
    db::Recordset rs = ids.openRecordset("Generale");
    std::int64_t ggMax = 0;
    if (rs.findFirst("NumeroHotel = " + str(HotelCorrente))) ggMax = rs.field("GGMax").toInt();
    rs.close();
    ids.close();
    return ggMax;
}

// Age by calendar year: today's year (the program's clock, not the report
// day) minus the birth year. Empty when the birth date has no numeric year.
std::string eta(const std::string& dataNascita) {
    const std::optional<int> anno = AnnoDi(DataDaSql(dataNascita));
    if (!anno || trim(dataNascita).empty()) return "";
    return str(static_cast<std::int64_t>(now().year) - *anno);
}

}  // namespace

ReportResult VerificaImposteAssegnate(const ReportRequest& r, Interaction& io) {
    const std::string giorno = trim(r.dal);
    if (!DataValida(giorno))
        throw ReportError("Data di riferimento non valida: \"" + cp1252ToUtf8(giorno) + "\"");
    const std::string d = db::quote(DataSql(giorno));
    const std::string hotel = str(HotelCorrente);

    const std::int64_t ggMax = leggiGGMax();

    db::Database schede = db::Database::open("Scheda_Cliente.mdb");
    const std::string sqlSchede = "Select * From Scheda_Cliente where NumeroHotel = " + hotel +
                                  " and Instr(Lingua,'*')=0 and DataArrivo <= " + d +
                                  " and ((Partito <> 'S' and DataPartenza > " + d +
                                  ") or (Partito = 'S' and DataPartenzaReale > " + d +
                                  ")) and NumeroCamera >= " + db::quote(r.primaCamera) +
                                  " and NumeroCamera <= " + db::quote(r.ultimaCamera) +
                                  " Order by NumeroCamera,NumeroProgressivo;";
    db::Recordset ospiti = schede.openRecordset(sqlSchede);
    db::Recordset capigruppo = schede.openRecordset(sqlSchede);

    db::Database conti = db::Database::open("Conto_Cliente.mdb");
    db::Recordset addebiti = conti.openRecordset(
        "Select * From Conto_Cliente where NumeroHotel = " + hotel + " and DataAddebito = " + d +
        " and VoceAddebito In (Select Codice From VociFattura In 'VociFattura.mdb' Where "
        "NumeroHotel = " +
        hotel + " and Reparto = 'IDS') Order by VoceAddebito;");

    // The lines are written once all is read: a failed run leaves the
    // previous report file as it was.
    std::vector<std::string> out;
    out.emplace_back();
    out.push_back("VERIFICA IMPOSTA DI SOGGIORNO DEL " + giorno);
    out.emplace_back();
    out.push_back(kRigaRighello);
    out.push_back(
        cp("Camera Clienti alloggiati             Età Nr Imposte assegnate             Nr Note     "
           "                    "));
    out.push_back(kRigaRighello);

    BloccoCamera blocco;
    std::optional<std::string> cameraCorrente;
    std::int64_t totaleOspiti = 0;
    std::int64_t totalePersone = 0;
    const std::string criterioHotel = "NumeroHotel = " + hotel;

    for (bool ok = ospiti.findFirst(criterioHotel); ok; ok = ospiti.findNext(criterioHotel)) {
        const std::string camera = ospiti.field("NumeroCamera").toText();
        if (!cameraCorrente) {
            cameraCorrente = camera;
            blocco.svuota();
        } else if (camera != *cameraCorrente) {
            chiudiBlocco(out, blocco);
            io.progress(cp1252ToUtf8(camera));
            cameraCorrente = camera;
            blocco.svuota();
        }

        const std::size_t riga = blocco.nuovoOspite();
        blocco.scrivi(0, 1, camera, 7);
        blocco.scrivi(riga, 8, ospiti.field("NomeCliente").toText(), 30);
        blocco.scrivi(riga, 39, padLeft(eta(ospiti.field("DataNascita").toText()), 3), 3);
        ++totaleOspiti;

        // The guest's tax lines of the day. Each goes to the next free charge
        // line of the block, not necessarily the guest's own line. Charge
        // lines are counted rather than found by their blank description
        // columns, so a line with an empty description is not overwritten by
        // the next one.
        const std::string codice = str(ospiti.field("NumeroProgressivo").toInt());
        const std::string criterioAddebiti = criterioHotel + " and CodiceCliente = " + codice;
        for (bool a = addebiti.findFirst(criterioAddebiti); a;
             a = addebiti.findNext(criterioAddebiti)) {
            const std::size_t rigaAddebito = blocco.nuovoAddebito();
            const std::int64_t quantita = addebiti.field(cp("Quantità")).toInt();
            blocco.scrivi(rigaAddebito, 46, addebiti.field("Descrizione").toText(), 30);
            // A quantity over three digits is written whole, into the free
            // columns on its right.
            blocco.scrivi(rigaAddebito, 75, padLeft(str(quantita), 3), std::string::npos);
            blocco.aggiungiPersone(quantita);
            totalePersone += quantita;
        }

        const std::int64_t capo = ospiti.field("CodiceCapoGruppo").toInt();
        if (capo > 0 &&
            capigruppo.findFirst(criterioHotel + " and NumeroProgressivo = " + str(capo))) {
            blocco.aggiungi(riga, " Capogruppo " + capigruppo.field("NumeroCamera").toText() + " " +
                                      capigruppo.field("NomeCliente").toText());
        }

        const std::optional<std::int64_t> notti =
            DifferenzaGiorni(DataDaSql(ospiti.field("DataArrivo").toText()), giorno);
        if (ggMax > 0 && notti && *notti > ggMax) {
            blocco.aggiungi(riga, " Il Cliente ha superato le " + str(ggMax) + " notti");
        }
    }
    // The last room's block; with no guest at all, an empty block's totals.
    chiudiBlocco(out, blocco);

    out.push_back(std::string(41, ' ') + padLeft(str(totaleOspiti), 3) + std::string(30, ' ') +
                  padLeft(str(totalePersone), 3));
    out.push_back(kRigaRighello);
    ReportWriter file;
    for (const auto& l : out) file.line(l);
    file.close();

    addebiti.close();
    conti.close();
    capigruppo.close();
    ospiti.close();
    schede.close();

    io.showPrintMenu();
    return {};
}

}  // namespace corvex
