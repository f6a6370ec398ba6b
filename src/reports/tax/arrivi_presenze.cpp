// Arrivals, person-nights and amount of the tourist tax charged over a
// period, one line per tax item of the billing items (department "IDS"),
// for the guests of a room range whose stay overlaps the period: live
// charges first, then the archive of departed guests.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "common/currency.h"
#include "common/numfmt.h"
#include "common/text.h"
#include "data/engine/database.h"
#include "data/fiscal.h"
#include "data/hotel.h"
#include "output/report_file.h"
#include "reports/periodo.h"
#include "reports/reports.h"
#include "reports/tax/registro.h"

namespace corvex {

namespace {

constexpr const char* kHeading =
    "Descrizione                                Arrivi    Presenze   Importo  ";

struct VoceImposta {
    std::int64_t codice = 0;
    std::string descrizione;
    std::int64_t arrivi = 0;
    std::int64_t presenze = 0;
    Currency importo;
};

// Every tax item of the hotel gets its row, however many there are, and
// every row can be found: no charge of a tax item is counted nowhere.
class TabellaVoci {
  public:
    void aggiungi(std::int64_t codice, std::string descrizione) {
        indice_.emplace(codice, voci_.size());
        voci_.push_back({codice, std::move(descrizione), 0, 0, Currency()});
    }
    VoceImposta* trova(std::int64_t codice) {
        auto it = indice_.find(codice);
        return it == indice_.end() ? nullptr : &voci_[it->second];
    }
    const std::vector<VoceImposta>& voci() const { return voci_; }

  private:
    std::vector<VoceImposta> voci_;
    std::map<std::int64_t, std::size_t> indice_;
};

TabellaVoci caricaVoci() {
    TabellaVoci tabella;
    db::Database d = db::Database::open("VociFattura.mdb");
    db::Recordset rs = d.openRecordset(
        "Select * From VociFattura Where NumeroHotel = 1 and Reparto = 'IDS' Order by Codice;");
    perOgni(rs, registro::kCriterioHotel, [&] {
        tabella.aggiungi(rs.field("Codice").toInt(), rs.field("Descrizione").toText());
    });
    rs.close();
    d.close();
    return tabella;
}

// One pass (live or archive): the register selection stays open for the
// arrival look-ups while the charge lines are walked by guest and item.
void passata(const std::string& fileScheda, const std::string& sqlScheda,
             const std::string& fileConto, const std::string& sqlConto, const std::string& inizio,
             TabellaVoci& tabella, Interaction& io) {
    db::Database scheda = db::Database::open(fileScheda);
    db::Recordset ospiti = scheda.openRecordset(sqlScheda);
    db::Database conto = db::Database::open(fileConto);
    db::Recordset addebiti = conto.openRecordset(sqlConto);

    // Nothing seen yet at the start of a pass (an item or guest key 0 is a key like any other).
    bool vistaVoce = false, vistoOspite = false;
    std::int64_t ultimaVoce = 0, ultimoOspite = 0;
    std::int64_t righe = 0;
    perOgni(addebiti, registro::kCriterioHotel, [&] {
        if (++righe % 5000 == 0) io.progress(str(righe));
        const std::int64_t codiceVoce = addebiti.field("VoceAddebito").toInt();
        VoceImposta* voce = tabella.trova(codiceVoce);
        if (!voce) return;
        if (!vistaVoce || codiceVoce != ultimaVoce) {
            vistoOspite = false;
            vistaVoce = true;
            ultimaVoce = codiceVoce;
        }
        const std::int64_t quantita = addebiti.field(registro::campoQuantita()).toInt();
        voce->presenze += quantita;
        voce->importo += addebiti.field("Importo").toCurrency();

        // The persons charged on a guest's first line of an item arrived in
        // the period when the guest did.
        const std::int64_t cliente = addebiti.field("CodiceCliente").toInt();
        if (!vistoOspite || cliente != ultimoOspite) {
            if (ospiti.findFirst("NumeroProgressivo = " + str(cliente)) &&
                ospiti.field("DataArrivo").toText() >= inizio) {
                voce->arrivi += quantita;
            }
            vistoOspite = true;
            ultimoOspite = cliente;
        }
    });
    addebiti.close();
    conto.close();
    ospiti.close();
    scheda.close();
}

// Numbers carry Basic's sign position (one blank when not negative); a
// figure wider than its column widens the line rather than being cut.
std::string numero6(std::int64_t n) {
    std::string testo = n < 0 ? std::string() : std::string(" ");
    testo += str(n);
    return padLeft(testo, 6);
}

std::string colonne(const std::string& etichetta, std::int64_t arrivi, std::int64_t presenze,
                    Currency importo) {
    return etichetta + "  " + numero6(arrivi) + "   " + "  " + numero6(presenze) + "   " +
           padLeft(format00(importo), 10);
}

}  // namespace

ReportResult StampaArriviPresenze(const ReportRequest& r, Interaction& io) {
    const Periodo p = controllaPeriodo(r);
    const std::string c1 = db::quote(r.primaCamera);
    const std::string c2 = db::quote(r.ultimaCamera);
    const std::string inizio = db::quote(p.inizio);
    const std::string fine = db::quote(p.fine);

    TabellaVoci tabella = caricaVoci();

    const std::string codiceAssistenza = LeggiCodiceAssistenza();
    const std::string schedaStorico =
        PercorsoArchivio("SchedaStoricoClienti.mdb", codiceAssistenza);
    const std::string contoStorico = PercorsoArchivio("ContoStoricoClienti.mdb", codiceAssistenza);

    const std::string registroVivo =
        "NumeroHotel = 1 and NumeroCamera >= " + c1 + " and NumeroCamera <= " + c2 +
        " and Instr(Lingua,'*') = 0 and DataArrivo <= " + fine + " and ((DataPartenza > " + inizio +
        " and Partito = 'N') or (DataPartenzaReale > " + inizio + " and Partito = 'S'))";
    const std::string registroStorico = "NumeroHotel = 1 and NumeroCamera >= " + c1 +
                                        " and NumeroCamera <= " + c2 +
                                        " and Instr(Lingua,'*') = 0 and DataArrivo <= " + fine +
                                        " and DataPartenzaReale > " + inizio;
    const std::string addebiti =
        "Select * From Conto_Cliente Where NumeroHotel = 1 and DataAddebito >= " + inizio +
        " and DataAddebito <= " + fine +
        " and VoceAddebito In (Select Codice From VociFattura In 'VociFattura.mdb' Where "
        "NumeroHotel = 1 and Reparto = 'IDS') and CodiceCliente In (Select NumeroProgressivo From "
        "Scheda_Cliente In ";

    passata("Scheda_Cliente.mdb", "Select * From Scheda_Cliente Where " + registroVivo,
            "Conto_Cliente.mdb",
            addebiti + "'Scheda_Cliente.mdb' Where " + registroVivo +
                ") Order by CodiceCliente,VoceAddebito;",
            p.inizio, tabella, io);
    passata(schedaStorico, "Select * From Scheda_Cliente Where " + registroStorico, contoStorico,
            addebiti + db::quote(schedaStorico) + " Where " + registroStorico +
                ") Order by CodiceCliente,VoceAddebito;",
            p.inizio, tabella, io);

    ReportWriter out;
    out.line();
    out.line("DETTAGLIO ARRIVI E PRESENZE PER TIPO IMPOSTA DI SOGGIORNO DAL " + p.dal + " AL " +
             p.al);
    out.line();
    const std::string regola(73, '-');
    out.line(regola);
    out.line(kHeading);
    out.line(regola);
    std::int64_t arrivi = 0, presenze = 0;
    Currency importo;
    for (const VoceImposta& v : tabella.voci()) {
        out.line(colonne(padRight(left(v.descrizione, 40), 41), v.arrivi, v.presenze, v.importo));
        arrivi += v.arrivi;
        presenze += v.presenze;
        importo += v.importo;
    }
    out.line(regola);
    out.line(colonne(std::string(41, ' '), arrivi, presenze, importo));
    out.close();
    io.showPrintMenu();
    return {};
}

}  // namespace corvex
