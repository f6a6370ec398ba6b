// Report on departures: one row per guest stay that ended in the period,
// with the nights, the guest's tax type and the tax due at that type's unit
// price, then the grand total. Live register first, archive second.

#include "reports/tax/su_partenze.h"

#include <cstdint>
#include <string>
#include <vector>

#include "common/dates.h"
#include "common/numfmt.h"
#include "common/text.h"
#include "data/hotel.h"
#include "output/report_file.h"
#include "reports/reports.h"

namespace corvex {

namespace {

// The single vertical line of code page 437 that frames every field.
const std::string kBarra = "\xB3";

const std::string kCriterioHotel = "NumeroHotel = " + str(HotelCorrente);

Currency cercaPrezzo(db::Recordset& voci, std::int64_t codice) {
    if (voci.findFirst(kCriterioHotel + " and Codice = " + str(codice)))
        return voci.field("Importo").toCurrency();
    return Currency();
}

struct Totale {
    Currency importo;
};

// One row for a guest record, unless he is marked with '*' or arrived and
// left on the same day. Values wider than their column (nights over five
// digits, an amount over ten characters) are printed whole.
void rigaPartenza(std::vector<std::string>& out, const db::Recordset& g,
                  const std::string& archivio, PrezziVoci& prezzi, Totale& totale) {
    if (contains(g.field("Lingua").toText(), "*")) return;
    const std::string arrivo = g.field("DataArrivo").toText();
    const std::string partenza = g.field("DataPartenzaReale").toText();
    if (arrivo == partenza) return;

    const std::string dal = DataDaSql(arrivo);
    const std::string al = DataDaSql(partenza);
    const std::optional<std::int64_t> notti = DifferenzaGiorni(dal, al);
    if (!notti) {
        throw ReportError(
            cp1252ToUtf8(archivio + ": il cliente n. " + g.field("NumeroProgressivo").toText() +
                         " (" + trim(g.field("NomeCliente").toText()) + ") ha DataArrivo \"" +
                         arrivo + "\" e DataPartenzaReale \"" + partenza + "\": date non valide."));
    }

    // A guest with no tax type, or a type without billing item, costs 0.
    const db::Value& codIds = g.field("CodIDS");
    const Currency prezzo = codIds.isNull() ? Currency() : prezzi(codIds.toInt());
    const Currency importo = prezzo * *notti;
    totale.importo += importo;

    std::string nome = g.field("NomeCliente").toText();
    if (startsWith(nome, "^")) nome.erase(0, 1);

    out.push_back(kBarra + padRight(dal, 10) + kBarra + padRight(al, 10) + kBarra +
                  padLeft(str(*notti), 5) + kBarra + fitRight(nome, 30) + kBarra +
                  padLeft(left(trim(codIds.toText()), 5), 6) + kBarra +
                  padLeft(trim(format00(importo)), 10) + kBarra);
}

}  // namespace

Currency ImportoVoce(std::int64_t codice) {
    db::Database voci = db::Database::open("VociFattura.mdb");
    db::Recordset rs = voci.openRecordset("VociFattura");
    const Currency prezzo = cercaPrezzo(rs, codice);
    rs.close();
    voci.close();
    return prezzo;
}

PrezziVoci::PrezziVoci() : db_(db::Database::open("VociFattura.mdb")) {}

Currency PrezziVoci::operator()(std::int64_t codice) {
    if (auto it = noti_.find(codice); it != noti_.end()) return it->second;
    if (!voci_) voci_.emplace(db_.openRecordset("VociFattura"));
    const Currency prezzo = cercaPrezzo(*voci_, codice);
    noti_.emplace(codice, prezzo);
    return prezzo;
}

ReportResult StampaSuPartenze(const ReportRequest& r, Interaction& io) {
    const std::string dal = trim(r.dal);
    const std::string al = trim(r.al);
    if (!DataValida(dal)) {
        throw ReportError("Data iniziale non valida: \"" + cp1252ToUtf8(r.dal) + "\"");
    }
    if (!DataValida(al))
        throw ReportError("Data finale non valida: \"" + cp1252ToUtf8(r.al) + "\"");
    const std::string d1 = db::quote(DataSql(dal));
    const std::string d2 = db::quote(DataSql(al));
    const std::string r1 = db::quote(r.primaCamera);
    const std::string r2 = db::quote(r.ultimaCamera);

    // Both passes walk their records with the period and '*' tests.
    const std::string criterio = kCriterioHotel + " and DataPartenzaReale >= " + d1 +
                                 " and DataPartenzaReale <= " + d2 + " and Instr(Lingua,'*')=0";

    const std::string archivio =
        PercorsoArchivio("SchedaStoricoClienti.mdb", LeggiCodiceAssistenza());

    PrezziVoci prezzi;
    Totale totale;
    // The lines are written once all is read: a failed run leaves the
    // previous report file as it was.
    std::vector<std::string> out;
    {
        io.progress("Scheda_Cliente.mdb");
        db::Database schede = db::Database::open("Scheda_Cliente.mdb");
        db::Recordset rs = schede.openRecordset(
            "Select * From Scheda_Cliente Where NumeroHotel = " + str(HotelCorrente) +
            " and DataPartenzaReale >= " + d1 + " and DataPartenzaReale <= " + d2 +
            " and Instr(Lingua,'*')=0 and NumeroCamera >= " + r1 + " and NumeroCamera <= " + r2 +
            " Order by NumeroCamera,NumeroProgressivo;");
        for (bool ok = rs.findFirst(criterio); ok; ok = rs.findNext(criterio)) {
            rigaPartenza(out, rs, "Scheda_Cliente.mdb", prezzi, totale);
        }
        rs.close();
        schede.close();
    }
    {
        io.progress(cp1252ToUtf8(archivio));
        db::Database storico = db::Database::open(archivio);
        // The archive holds years of departed guests: it is selected by the
        // period (its indexed dates) and walked with the period and the room
        // range, which gives the same rows in the same order as selecting the
        // room range and searching the period, without reading it whole.
        db::Recordset rs = storico.openRecordset("Select * From Scheda_Cliente Where " + criterio +
                                                 " Order by NumeroProgressivo;");
        const std::string criterioArchivio =
            criterio + " and NumeroCamera >= " + r1 + " and NumeroCamera <= " + r2;
        for (bool ok = rs.findFirst(criterioArchivio); ok; ok = rs.findNext(criterioArchivio)) {
            rigaPartenza(out, rs, archivio, prezzi, totale);
        }
        rs.close();
        storico.close();
    }

    out.push_back(kBarra + std::string(10, ' ') + kBarra + std::string(10, ' ') + kBarra +
                  std::string(5, ' ') + kBarra + std::string(30, ' ') + kBarra +
                  std::string(6, ' ') + kBarra + padLeft(format00(totale.importo), 10) + kBarra);
    ReportWriter file;
    for (const auto& l : out) file.line(l);
    file.close();

    io.showPrintMenu();
    return {};
}

}  // namespace corvex
