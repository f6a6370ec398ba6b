// Night-by-night summary of the tourist tax accrued over a period: guests
// present, exempt and paying person-nights, amount charged, for a room range;
// live register first, then the archive of departed guests. Also writes the
// trace file CorvexLog.txt with the room of every tax charge line read.

#include <cstdint>
#include <string>

#include "common/currency.h"
#include "common/dates.h"
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

constexpr const char* kTraceFile = "CorvexLog.txt";
constexpr const char* kHeading =
    "Giorno Presenze totali     Presenze esenti      Presenze paganti     Totale riscosso     ";

// Counts are 64-bit: a big hotel over a long period would overflow the
// original 16-bit counters.
struct Conteggi {
    std::int64_t presenze = 0;
    std::int64_t esenti = 0;
    std::int64_t paganti = 0;
    Currency importo;

    void aggiungi(const Conteggi& o) {
        presenze += o.presenze;
        esenti += o.esenti;
        paganti += o.paganti;
        importo += o.importo;
    }
};

// A figure wider than its column widens the row (padLeft never cuts):
// a cut figure would print a wrong number.
std::string rigaGiorno(const std::string& giorno, const Conteggi& c) {
    return "  " + left(giorno, 2) + std::string(11, ' ') + padLeft(str(c.presenze), 3) +
           std::string(17, ' ') + padLeft(str(c.esenti), 3) + std::string(18, ' ') +
           padLeft(str(c.paganti), 3) + std::string(18, ' ') + padLeft(format00(c.importo), 10);
}

std::string rigaTotali(const Conteggi& c) {
    return std::string(13, ' ') + padLeft(str(c.presenze), 5) + std::string(15, ' ') +
           padLeft(str(c.esenti), 5) + std::string(16, ' ') + padLeft(str(c.paganti), 5) +
           std::string(17, ' ') + padLeft(format00(c.importo), 11);
}

void contaPresenze(const std::string& file, const std::string& sql, Conteggi& notte) {
    db::Database d = db::Database::open(file);
    db::Recordset rs = d.openRecordset(sql);
    perOgni(rs, registro::kCriterioHotel, [&] { ++notte.presenze; });
    rs.close();
    d.close();
}

// Exempt lines are those with Importo 0 or below; their amount is not added.
void contaAddebiti(const std::string& file, const std::string& sql, Conteggi& notte,
                   ReportWriter& traccia) {
    db::Database d = db::Database::open(file);
    db::Recordset rs = d.openRecordset(sql);
    perOgni(rs, registro::kCriterioHotel, [&] {
        traccia.line(rs.field("NumeroCamera").toText());
        const std::int64_t quantita = rs.field(registro::campoQuantita()).toInt();
        const Currency importo = rs.field("Importo").toCurrency();
        if (importo > Currency()) {
            notte.paganti += quantita;
            notte.importo += importo;
        } else {
            notte.esenti += quantita;
        }
    });
    rs.close();
    d.close();
}

}  // namespace

ReportResult StampaRiepilogoImposta(const ReportRequest& r, Interaction& io) {
    const Periodo periodo = controllaPeriodo(r);
    const std::string camera1 = db::quote(r.primaCamera);
    const std::string camera2 = db::quote(r.ultimaCamera);

    // Everything that can fail on the installation's set-up is settled before
    // any file is written.
    const std::string codiceAssistenza = LeggiCodiceAssistenza();
    const std::string schedaStorico =
        PercorsoArchivio("SchedaStoricoClienti.mdb", codiceAssistenza);
    const std::string contoStorico = PercorsoArchivio("ContoStoricoClienti.mdb", codiceAssistenza);
    const std::string schedaStoricoSql = db::quote(schedaStorico);

    ReportWriter traccia(kTraceFile);
    ReportWriter out;
    out.line();
    out.line("RIEPILOGO IMPOSTA DI SOGGIORNO DAL " + periodo.dal + " AL " + periodo.al);
    out.line();
    const std::string regola(89, '-');
    out.line(regola);
    out.line(kHeading);
    out.line(regola);

    Conteggi totali;
    std::string giorno = periodo.dal;
    const std::int64_t ultimo = *NumeroGiorno(periodo.al);
    for (std::int64_t n = *NumeroGiorno(giorno); n <= ultimo; ++n, giorno = DataDaNumero(n)) {
        io.progress(giorno);
        const std::string d = db::quote(DataSql(giorno));
        Conteggi notte;

        contaPresenze("Scheda_Cliente.mdb",
                      "Select * From Scheda_Cliente where NumeroHotel = 1 and "
                      "instr(Lingua,'*')=0 and NumeroCamera >= " +
                          camera1 + " and NumeroCamera <= " + camera2 + " and DataArrivo <= " + d +
                          " and ((Partito <> 'S' and DataPartenza > " + d +
                          ") or (Partito = 'S' and DataPartenzaReale > " + d +
                          ")) Order by NumeroCamera;",
                      notte);

        const std::string addebitiDelGiorno =
            "Select * From Conto_Cliente Where NumeroHotel = 1 and DataAddebito = " + d +
            " and NumeroCamera >= " + camera1 + " and NumeroCamera <= " + camera2 +
            " and VoceAddebito In (Select Codice From VociFattura In 'VociFattura.mdb' Where "
            "NumeroHotel = 1 and Reparto = 'IDS') and CodiceCliente In (Select NumeroProgressivo "
            "From Scheda_Cliente In ";
        contaAddebiti("Conto_Cliente.mdb",
                      addebitiDelGiorno +
                          "'Scheda_Cliente.mdb' Where NumeroHotel = 1 and instr(Lingua,'*')=0  and "
                          "NumeroCamera >= " +
                          camera1 + " and NumeroCamera <= " + camera2 + " and DataArrivo <= " + d +
                          " and ((Partito <> 'S' and DataPartenza > " + d +
                          ") or (Partito = 'S' and DataPartenzaReale > " + d +
                          "))) Order by VoceAddebito;",
                      notte, traccia);

        contaPresenze(schedaStorico,
                      "Select * From Scheda_Cliente where NumeroHotel = 1 and "
                      "instr(Lingua,'*')=0  and NumeroCamera >= " +
                          camera1 + " and NumeroCamera <= " + camera2 + " and DataArrivo <= " + d +
                          " and DataPartenzaReale > " + d + " Order by NumeroCamera;",
                      notte);

        contaAddebiti(contoStorico,
                      addebitiDelGiorno + schedaStoricoSql +
                          " Where NumeroHotel = 1 and instr(Lingua,'*')=0  and NumeroCamera >= " +
                          camera1 + " and NumeroCamera <= " + camera2 + " and DataArrivo <= " + d +
                          " and DataPartenzaReale > " + d + ") Order by VoceAddebito;",
                      notte, traccia);

        out.line(rigaGiorno(giorno, notte));
        out.line(regola);
        totali.aggiungi(notte);
    }

    out.line(rigaTotali(totali));
    out.line(regola);
    out.close();
    traccia.close();
    io.showPrintMenu();
    return {};
}

}  // namespace corvex
