// The tourist-tax ledger: per month of a period, the tax accrued night by
// night (as the period summary counts it), charged on the guest accounts,
// collected on the fiscal documents (all counters, as the fiscal detail
// totals it) and paid over to the municipality, the differences between
// them, and the tax accrued and not invoiced at the month's end (as the
// accrued report counts it). A month cut by the period counts only its days
// inside the period, and its "end" is the period's last day.

#include <cstdint>
#include <string>
#include <vector>

#include "common/currency.h"
#include "common/dates.h"
#include "common/numfmt.h"
#include "common/text.h"
#include "data/engine/database.h"
#include "data/fiscal.h"
#include "data/hotel.h"
#include "output/report_file.h"
#include "output/xlsx.h"
#include "reports/periodo.h"
#include "reports/reports.h"
#include "reports/tax/dettaglio_imposta.h"
#include "reports/tax/imposta_maturata.h"
#include "reports/tax/registro.h"
#include "settings/dichiarazioni.h"

namespace corvex {

namespace {

struct Mese {
    std::string dal, al;       // dd/mm/yyyy, inside the period
    std::string inizio, fine;  // yyyymmdd
    std::int64_t esenti = 0;   // accrued: exempt person-nights
    std::int64_t paganti = 0;  // accrued: paying person-nights
    Currency maturata;         // accrued: amount of the paying lines
    Currency addebitata;       // every tax line dated in the month
    Currency riscossa;         // fiscal documents issued in the month
    Currency versata;          // payments dated in the month
    Currency nonFatturata;     // accrued and not invoiced at the month's end
};

// The months of the period, the first and last cut to it.
std::vector<Mese> mesi(const Periodo& p) {
    std::vector<Mese> out;
    const std::int64_t ultimo = *NumeroGiorno(p.al);
    std::int64_t n = *NumeroGiorno(p.dal);
    while (n <= ultimo) {
        Mese m;
        m.dal = DataDaNumero(n);
        std::int64_t fine = n;
        while (fine < ultimo && DataDaNumero(fine + 1).substr(3) == m.dal.substr(3)) ++fine;
        m.al = DataDaNumero(fine);
        m.inizio = DataSql(m.dal);
        m.fine = DataSql(m.al);
        out.push_back(m);
        n = fine + 1;
    }
    return out;
}

// The month holding a yyyymmdd day; nullptr outside the period.
Mese* meseDi(std::vector<Mese>& ms, const std::string& giorno) {
    for (auto& m : ms) {
        if (giorno >= m.inizio && giorno <= m.fine) return &m;
    }
    return nullptr;
}

const std::string kVociImposta =
    "VoceAddebito In (Select Codice From VociFattura In 'VociFattura.mdb' Where NumeroHotel = 1 "
    "and Reparto = 'IDS')";

// The period summary's night: the tax lines of that day of the guests
// present that night, exempt when the amount is 0 or below.
void maturataDelGiorno(const std::string& giorno, const std::string& camera1,
                       const std::string& camera2, const std::string& schedaStoricoSql,
                       const std::string& contoStorico, Mese& m) {
    const std::string d = db::quote(giorno);
    const std::string addebiti =
        "Select * From Conto_Cliente Where NumeroHotel = 1 and DataAddebito = " + d +
        " and NumeroCamera >= " + camera1 + " and NumeroCamera <= " + camera2 + " and " +
        kVociImposta + " and CodiceCliente In (Select NumeroProgressivo From Scheda_Cliente In ";
    const std::string ospite =
        " Where NumeroHotel = 1 and instr(Lingua,'*')=0 and NumeroCamera >= " + camera1 +
        " and NumeroCamera <= " + camera2 + " and DataArrivo <= " + d;
    const auto conta = [&](const std::string& file, const std::string& sql) {
        db::Database db = db::Database::open(file);
        db::Recordset rs = db.openRecordset(sql);
        perOgni(rs, registro::kCriterioHotel, [&] {
            const std::int64_t quantita = rs.field(registro::campoQuantita()).toInt();
            const Currency importo = rs.field("Importo").toCurrency();
            if (importo > Currency()) {
                m.paganti += quantita;
                m.maturata += importo;
            } else {
                m.esenti += quantita;
            }
        });
        rs.close();
        db.close();
    };
    conta("Conto_Cliente.mdb", addebiti + "'Scheda_Cliente.mdb'" + ospite +
                                   " and ((Partito <> 'S' and DataPartenza > " + d +
                                   ") or (Partito = 'S' and DataPartenzaReale > " + d + ")))");
    conta(contoStorico,
          addebiti + schedaStoricoSql + ospite + " and DataPartenzaReale > " + d + ")");
}

// Every tax line of a counted guest dated in the period, by month.
void addebitate(const std::string& conti, const std::string& schedeSql, const Periodo& p,
                const std::string& camera1, const std::string& camera2, std::vector<Mese>& ms) {
    db::Database db = db::Database::open(conti);
    db::Recordset rs = db.openRecordset(
        "Select * From Conto_Cliente Where NumeroHotel = 1 and DataAddebito >= " +
        db::quote(p.inizio) + " and DataAddebito <= " + db::quote(p.fine) +
        " and NumeroCamera >= " + camera1 + " and NumeroCamera <= " + camera2 + " and " +
        kVociImposta + " and CodiceCliente In (Select NumeroProgressivo From Scheda_Cliente In " +
        schedeSql + " Where NumeroHotel = 1 and instr(Lingua,'*')=0)");
    perOgni(rs, registro::kCriterioHotel, [&] {
        if (Mese* m = meseDi(ms, rs.field("DataAddebito").toText())) {
            m->addebitata += rs.field("Importo").toCurrency();
        }
    });
    rs.close();
    db.close();
}

// The fiscal detail's total, counter 0: its tax lines (a credit note's
// negated) in the room range, by month of issue.
void riscosse(const Periodo& p, const ReportRequest& r, std::vector<Mese>& ms) {
    leggiRigheImposta(p, r.primaCamera, r.ultimaCamera, 0, false, [&](const RigaImposta& riga) {
        if (Mese* m = meseDi(ms, riga.chiave.dataEmissione)) m->riscossa += riga.importo;
    });
}

constexpr std::size_t kImporto = 12;

std::string importo(Currency c) {
    return padLeft(format00(c), kImporto);
}

std::string riga(const std::string& etichetta, std::int64_t esenti, std::int64_t paganti,
                 const Mese& m, bool conNonFatturata) {
    return padRight(etichetta, 8) + padLeft(str(esenti), 7) + padLeft(str(paganti), 8) +
           importo(m.maturata) + importo(m.addebitata) + importo(m.riscossa) + importo(m.versata) +
           importo(m.addebitata - m.maturata) + importo(m.riscossa - m.addebitata) +
           importo(m.versata - m.riscossa) +
           (conNonFatturata ? importo(m.nonFatturata) : std::string());
}

using xlsx::Cella;

std::vector<Cella> celle(const std::string& etichetta, std::int64_t esenti, std::int64_t paganti,
                         const Mese& m, bool mese) {
    std::vector<Cella> c{Cella::testo(etichetta), mese ? Cella::data(m.dal) : Cella(),
                         mese ? Cella::data(m.al) : Cella(), Cella::intero(esenti),
                         Cella::intero(paganti)};
    for (Currency v : {m.maturata, m.addebitata, m.riscossa, m.versata, m.addebitata - m.maturata,
                       m.riscossa - m.addebitata, m.versata - m.riscossa})
        c.push_back(Cella::importo(v));
    if (mese) c.push_back(Cella::importo(m.nonFatturata));
    return c;
}

}  // namespace

ReportResult StampaRegistroImposta(const ReportRequest& r, Interaction& io) {
    const Periodo p = controllaPeriodo(r);
    const std::string camera1 = db::quote(r.primaCamera);
    const std::string camera2 = db::quote(r.ultimaCamera);
    const std::string codiceAssistenza = LeggiCodiceAssistenza();
    const std::string schedaStoricoSql =
        db::quote(PercorsoArchivio("SchedaStoricoClienti.mdb", codiceAssistenza));
    const std::string contoStorico = PercorsoArchivio("ContoStoricoClienti.mdb", codiceAssistenza);

    std::vector<Mese> ms = mesi(p);
    for (auto& m : ms) {
        const std::int64_t ultimo = *NumeroGiorno(m.al);
        for (std::int64_t n = *NumeroGiorno(m.dal); n <= ultimo; ++n) {
            const std::string giorno = DataDaNumero(n);
            io.progress(giorno);
            maturataDelGiorno(DataSql(giorno), camera1, camera2, schedaStoricoSql, contoStorico, m);
        }
        io.progress("non fatturata al " + m.al);
        m.nonFatturata = ImpostaMaturataAl(m.al, io).importo;
    }
    addebitate("Conto_Cliente.mdb", "'Scheda_Cliente.mdb'", p, camera1, camera2, ms);
    addebitate(contoStorico, schedaStoricoSql, p, camera1, camera2, ms);
    riscosse(p, r, ms);
    for (const Versamento& v : leggiVersamenti()) {
        if (Mese* m = meseDi(ms, DataSql(v.data))) m->versata += v.importo;
    }

    ReportWriter out;
    out.line();
    out.line("REGISTRO IMPOSTA DI SOGGIORNO DAL " + p.dal + " AL " + p.al);
    out.line();
    std::string intestazione = padRight("Mese", 8) + padLeft("Esenti", 7) + padLeft("Paganti", 8);
    for (const char* t : {"Maturata", "Addebitata", "Riscossa", "Versata", "Add.-Mat.",
                          "Risc.-Add.", "Vers.-Risc.", "Non fatt."}) {
        intestazione += padLeft(t, kImporto);
    }
    const std::string regola(intestazione.size(), '-');
    xlsx::Foglio foglio;
    foglio.nome = "Registro imposta";
    foglio.titolo = {"REGISTRO IMPOSTA DI SOGGIORNO DAL " + p.dal + " AL " + p.al};
    foglio.intestazione = {"Mese", "Dal", "Al", "Esenti", "Paganti"};
    for (const char* t : {"Maturata", "Addebitata", "Riscossa", "Versata", "Add.-Mat.",
                          "Risc.-Add.", "Vers.-Risc.", "Non fatt."}) {
        foglio.intestazione.push_back(t);
    }
    out.line(regola);
    out.line(intestazione);
    out.line(regola);
    Mese totale;
    std::int64_t esenti = 0;
    std::int64_t paganti = 0;
    for (const auto& m : ms) {
        out.line(riga(m.dal.substr(3), m.esenti, m.paganti, m, true));
        foglio.righe.push_back(celle(m.dal.substr(3), m.esenti, m.paganti, m, true));
        esenti += m.esenti;
        paganti += m.paganti;
        totale.maturata += m.maturata;
        totale.addebitata += m.addebitata;
        totale.riscossa += m.riscossa;
        totale.versata += m.versata;
    }
    out.line(regola);
    out.line(riga("Totale", esenti, paganti, totale, false));
    foglio.righe.push_back(celle("Totale", esenti, paganti, totale, false));
    out.line(regola);
    out.line();
    out.line("Maturata:   imposta dei pernottamenti del mese (come il riepilogo per notte)");
    out.line("Addebitata: righe d'imposta sui conti degli ospiti datate nel mese");
    out.line("Riscossa:   imposta sui documenti fiscali emessi nel mese (tutti i contatori)");
    out.line("Versata:    versamenti al comune con data nel mese");
    out.line("Non fatt.:  imposta maturata e non fatturata all'ultimo giorno del mese");
    out.close();
    io.offerSheet(foglio);
    io.showPrintMenu();
    return {};
}

}  // namespace corvex
