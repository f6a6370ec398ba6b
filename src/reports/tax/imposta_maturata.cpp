// Tax accrued at a date and not yet invoiced: the guests lodged on the
// reference date, live and archived, with the tourist-tax units charged to
// each from arrival through that date, and the quantity and amount charged
// per tax item.
//
// On the way the guests listed are copied into the snapshot SchClienti.mdb,
// whose Food field receives each guest's unit count; the list is printed by
// reading the snapshot back in room order, so the snapshot always holds
// exactly the printed rows.

#include <cstdint>
#include <string>
#include <vector>

#include "common/currency.h"
#include "common/dates.h"
#include "common/formatta.h"
#include "common/text.h"
#include "data/engine/database.h"
#include "data/hotel.h"
#include "data/snapshot.h"
#include "output/report_file.h"
#include "reports/reports.h"
#include "reports/tax/imposta_maturata.h"

namespace corvex {

namespace {

// The desk always asks for the list by room; rows of one room come in
// arrival order.
constexpr const char* kOrdine = "NumeroCamera,DataArrivo";

const std::string kCriterioHotel = "NumeroHotel = " + str(HotelCorrente);

// One tax item of VociIdS with what was charged on it. Every item of the
// hotel gets a slot, however many there are.
struct VoceImposta {
    Currency codice;
    std::string descrizione;
    Currency quantita;
    Currency importo;
};

std::vector<VoceImposta> caricaVociImposta() {
    std::vector<VoceImposta> voci;
    db::Database ids = db::Database::open("IdS.mdb");
    db::Recordset rs = ids.openRecordset("Select * From VociIdS Order by Codice;");
    for (bool ok = rs.findFirst(kCriterioHotel); ok; ok = rs.findNext(kCriterioHotel)) {
        voci.push_back({rs.field("Codice").toCurrency(), rs.field("Descrizione").toText(), {}, {}});
    }
    rs.close();
    ids.close();
    return voci;
}

// Whether a register record was lodged on the reference date (d1..d2, the
// desk passes the same day twice). A guest who left on d1 is listed only
// if he also arrived that day; one still in house whose planned departure
// is d1 is listed.
bool alloggiato(const db::Recordset& g, const std::string& d1, const std::string& d2) {
    const std::string arrivo = g.field("DataArrivo").toText();
    if (arrivo > d2) return false;
    if (g.field("Partito").toText() == "S") {
        const std::string partenzaReale = g.field("DataPartenzaReale").toText();
        if (partenzaReale < d1) return false;
        if (partenzaReale == d1 && arrivo < partenzaReale) return false;
    } else if (g.field("DataPartenza").toText() < d1) {
        return false;
    }
    return true;
}

// Adds the guest's charges to the item totals and returns his unit count.
// A charge whose item is no tax item of VociIdS (item 0 included) counts
// nowhere.
std::int64_t contaImposte(db::Database& conti, const std::string& sql, const std::string& cliente,
                          std::vector<VoceImposta>& voci) {
    std::int64_t unita = 0;
    db::Recordset rs = conti.openRecordset(sql);
    const std::string criterio = "CodiceCliente = " + cliente;
    for (bool ok = rs.findFirst(criterio); ok; ok = rs.findNext(criterio)) {
        const Currency voce = rs.field("VoceAddebito").toCurrency();
        for (auto& v : voci) {
            if (v.codice != voce) continue;
            v.quantita += rs.field(cp("Quantità")).toCurrency();
            v.importo += rs.field("Importo").toCurrency();
            unita += rs.field(cp("Quantità")).toInt();
            break;
        }
    }
    rs.close();
    return unita;
}

// One pass over a register (live or archive): every lodged guest not
// marked with '*' gets a snapshot row with his unit count.
// `spazi` is the gap the suite writes before the date range of the charge
// selection (two blanks for the live accounts, one for the archive).
// Without a snapshot (the tax ledger's month ends) only the item totals are
// kept.
void passaRegistro(db::Recordset& registro, db::Database& conti, const char* spazi,
                   const std::string& d1, const std::string& d2, std::vector<VoceImposta>& voci,
                   db::Recordset* snapshot, Interaction& io) {
    const std::string criterio = "NumeroHotel > 0";
    std::int64_t visti = 0;
    for (bool ok = registro.findFirst(criterio); ok; ok = registro.findNext(criterio)) {
        if (++visti % 1000 == 0) io.progress("cliente " + str(visti));
        if (!alloggiato(registro, d1, d2)) continue;
        if (contains(registro.field("Lingua").toText(), "*")) continue;
        const std::string cliente = str(registro.field("NumeroProgressivo").toInt());
        const std::string sql =
            "Select * From Conto_Cliente Where NumeroHotel = " + str(HotelCorrente) +
            " and CodiceCliente = " + cliente + spazi +
            "and DataAddebito >= " + db::quote(registro.field("DataArrivo").toText()) +
            " and DataAddebito <= " + db::quote(d1);
        const std::int64_t unita = contaImposte(conti, sql, cliente, voci);
        if (snapshot != nullptr) AggiungiRigaSnapshot(*snapshot, registro, unita);
    }
}

// The live register, then the archive: every lodged guest's units go to the
// item totals (and to the snapshot when there is one).
void leggiRegistri(const std::string& d1, const std::string& d2, const std::string& archivioSchede,
                   const std::string& archivioConti, std::vector<VoceImposta>& voci,
                   db::Recordset* snapshot, Interaction& io) {
    io.progress("Scheda_Cliente.mdb");
    db::Database schede = db::Database::open("Scheda_Cliente.mdb");
    db::Database conti = db::Database::open("Conto_Cliente.mdb");
    db::Recordset correnti = schede.openRecordset(
        std::string("Select * From Scheda_Cliente Order by ") + kOrdine + ",NumeroProgressivo;");
    passaRegistro(correnti, conti, "  ", d1, d2, voci, snapshot, io);
    correnti.close();
    conti.close();
    schede.close();

    io.progress(cp1252ToUtf8(archivioSchede));
    db::Database storicoSchede = db::Database::open(archivioSchede);
    db::Database storicoConti = db::Database::open(archivioConti);
    db::Recordset archiviati = storicoSchede.openRecordset(
        "Select * From Scheda_Cliente Where DataArrivo <= " + db::quote(d2) +
        " and DataPartenzaReale > " + db::quote(d1) + " Order by " + kOrdine +
        ",NumeroProgressivo;");
    passaRegistro(archiviati, storicoConti, " ", d1, d2, voci, snapshot, io);
    archiviati.close();
    storicoConti.close();
    storicoSchede.close();
}

// "dd/mm" of a stored yyyymmdd date, kept five wide.
std::string giornoMese(const std::string& data) {
    return padRight(mid(data, 7, 2) + "/" + mid(data, 5, 2), 5);
}

std::string testo(const db::Recordset& rs, const char* campo) {
    return rs.field(campo).toText();
}

// One line of the guest list, 109 characters for values that fit their
// columns. Wider values (a NumeroSchedina over 5 digits, a unit count over
// 11) are printed whole and push the rest of the line to the right; the
// line number keeps its last three digits.
std::string rigaCliente(std::int64_t numero, const db::Recordset& s) {
    const std::string partenzaReale = testo(s, "DataPartenzaReale");
    std::string nascita = DataDaSql(testo(s, "DataNascita"));
    if (!DataValida(nascita)) nascita = std::string(10, ' ');

    std::string riga = fitLeft(str(numero), 3);
    riga += padLeft(testo(s, "NumeroSchedina"), 5);
    // Every further column comes after one blank.
    const auto campo = [&riga](const std::string& t) {
        riga += ' ';
        riga += t;
    };
    campo(padLeft(trim(left(testo(s, "NumeroCamera"), 3)), 3));
    campo(giornoMese(testo(s, "DataArrivo")));
    campo(giornoMese(testo(s, "DataPartenza")));
    campo(trim(partenzaReale).empty() ? std::string("  /  ") : giornoMese(partenzaReale));
    campo(padRight(trim(left(testo(s, "NomeCliente"), 20)), 20));
    campo(padRight(trim(left(testo(s, "LuogoNascita"), 15)), 15));
    campo(nascita);
    campo(padRight(trim(left(testo(s, "Residenza"), 15)), 15));
    campo(padRight(trim(left(testo(s, "Provincia"), 2)), 2));
    campo(padLeft(str(s.field("Food").toInt()), 11));
    return riga;
}

// Item total line; an item description over 42 characters, a quantity
// over 4 or an amount over 8 characters are printed whole.
std::string rigaTotale(const VoceImposta& v) {
    return padRight(v.descrizione, 42) + " Qnt. " + padLeft(trim(v.quantita.toPlainText()), 4) +
           "   " + cp("€ ") + padLeft(FormattaImporto(v.importo, 2), 8);
}

void controllaData(const std::string& data, const char* quale) {
    if (!DataValida(data)) {
        throw ReportError(std::string("Data ") + quale + " non valida: \"" + cp1252ToUtf8(data) +
                          "\"");
    }
}

}  // namespace

MaturataAl ImpostaMaturataAl(const std::string& data, Interaction& io) {
    const std::string d = DataSql(data);
    std::vector<VoceImposta> voci = caricaVociImposta();
    const std::string codiceAssistenza = LeggiCodiceAssistenza();
    leggiRegistri(d, d, PercorsoArchivio("SchedaStoricoClienti.mdb", codiceAssistenza),
                  PercorsoArchivio("ContoStoricoClienti.mdb", codiceAssistenza), voci, nullptr, io);
    MaturataAl totale;
    for (const auto& v : voci) {
        totale.quantita += v.quantita;
        totale.importo += v.importo;
    }
    return totale;
}

ReportResult StampaImpostaMaturata(const ReportRequest& r, Interaction& io) {
    const std::string dal = trim(r.dal);
    const std::string al = trim(r.al).empty() ? dal : trim(r.al);
    controllaData(dal, "di riferimento");
    controllaData(al, "finale");
    const std::string d1 = DataSql(dal);
    const std::string d2 = DataSql(al);

    std::vector<VoceImposta> voci = caricaVociImposta();

    NuovoSchClienti schClienti;

    // The archives follow the hotel's option letters, read now: the same rule
    // as every other report.
    const std::string codiceAssistenza = LeggiCodiceAssistenza();
    const std::string archivioSchede =
        PercorsoArchivio("SchedaStoricoClienti.mdb", codiceAssistenza);
    const std::string archivioConti = PercorsoArchivio("ContoStoricoClienti.mdb", codiceAssistenza);

    {
        db::Database snapshotDb =
            db::Database::open(schClienti.percorso(), db::Database::Mode::ReadWrite);
        snapshotDb.transaction([&] {
            db::Recordset snapshot = snapshotDb.openRecordset(kTabellaSchClienti);

            leggiRegistri(d1, d2, archivioSchede, archivioConti, voci, &snapshot, io);

            snapshot.close();
        });
        snapshotDb.close();
    }

    // The lines are written once all is read: a failed run leaves the
    // previous report file as it was.
    std::vector<std::string> out;
    out.emplace_back();
    out.push_back(" ELENCO CLIENTI ALLOGGIATI IL " + r.dal);
    out.emplace_back();
    out.emplace_back();
    out.push_back(
        "Nr. Sch. Cam Arr   Par   ParR  Nome                 Luogo Nascita   Data Nasc  Residenza  "
        "        "
        "Qnt.Imposta");
    out.emplace_back();
    {
        db::Database snapshotDb =
            db::Database::open(schClienti.percorso(), db::Database::Mode::ReadWrite);
        db::Recordset s = snapshotDb.openRecordset(
            std::string("Select * From SchClienti Order by ") + kOrdine + ";");
        std::int64_t numero = 1;
        for (bool ok = s.findFirst(kCriterioHotel); ok; ok = s.findNext(kCriterioHotel)) {
            out.push_back(rigaCliente(numero, s));
            ++numero;
        }
        s.close();
        snapshotDb.close();
    }
    schClienti.pubblica();
    out.push_back(" ");
    for (const auto& v : voci) {
        if (!v.descrizione.empty()) out.push_back(rigaTotale(v));
    }
    ReportWriter file;
    for (const auto& l : out) file.line(l);
    file.close();

    io.showPrintMenu();
    return {};
}

}  // namespace corvex
