// The periodic tourist-tax return (a month or a quarter): per category the
// guests, person-nights, the rates in force, the tax due, charged and
// collected; the payments of the period and the balance; the checks. A
// period without nights is a nil return ("Nessun pernottamento").
#include <string>
#include <vector>

#include "common/text.h"
#include "output/report_file.h"
#include "reports/filings/calcolo_imposta.h"
#include "reports/periodo.h"
#include "reports/reports.h"

namespace corvex {

namespace {

using filings::importo;

constexpr std::size_t kLarghezza = 100;

std::string riga(const std::string& etichetta, const std::string& ospiti, const std::string& notti,
                 const std::string& tariffa, const std::string& dovuta,
                 const std::string& addebitata, const std::string& riscossa) {
    return padRight(left(etichetta, 30), 30) + padLeft(ospiti, 7) + padLeft(notti, 9) +
           padLeft(tariffa, 9) + padLeft(dovuta, 15) + padLeft(addebitata, 15) +
           padLeft(riscossa, 15);
}

std::string tariffa(std::int64_t unita) {
    return importo(Currency::fromUnits(unita));
}

}  // namespace

ReportResult StampaDichiarazionePeriodica(const ReportRequest& r, Interaction& io) {
    const Periodo p = controllaPeriodo(r);
    const filings::DatiImposta dati = filings::DatiImposta::leggi(p, "", "ZZZZZZ", &io);
    const filings::Riepilogo t = dati.riepiloga();
    const std::vector<std::string> controlli = dati.controlli();
    const Struttura struttura = leggiStruttura();

    ReportWriter out;
    const std::string regola(kLarghezza, '-');
    out.line("DICHIARAZIONE IMPOSTA DI SOGGIORNO DAL " + p.dal + " AL " + p.al);
    out.line();
    for (const auto& s : filings::righeStruttura(struttura)) out.line(s);
    out.line();
    out.line(regola);
    out.line(riga("Categoria", "Ospiti", "Notti", "Tariffa", "Imposta dovuta", "Addebitata",
                  "Riscossa"));
    out.line(regola);
    if (t.nessunPernottamento()) {
        out.line("Nessun pernottamento");
    } else {
        for (const auto& c : t.righe) {
            const bool pagante =
                c.categoria == Categoria::Piena || c.categoria == Categoria::Ridotta;
            std::string primaTariffa;
            std::int64_t nottiPrima = c.pernottamenti;
            if (pagante && c.nottiPerTariffa.size() == 1) {
                primaTariffa = tariffa(c.nottiPerTariffa.begin()->first);
            }
            out.line(riga(c.etichetta, str(c.ospiti), str(nottiPrima), primaTariffa,
                          pagante ? importo(c.dovuta) : "", importo(c.addebitata),
                          importo(c.riscossa)));
            // More than one rate in the period: the nights at each.
            if (pagante && c.nottiPerTariffa.size() > 1) {
                for (const auto& [u, n] : c.nottiPerTariffa) {
                    out.line(riga("  di cui a tariffa", "", str(n), tariffa(u),
                                  importo(Currency::fromUnits(u) * n), "", ""));
                }
            }
        }
    }
    out.line(regola);
    out.line(riga("Totale", str(t.totale.ospiti), str(t.totale.pernottamenti), "",
                  importo(t.totale.dovuta), importo(t.totale.addebitata),
                  importo(t.totale.riscossa)));
    out.line(regola);
    out.line();
    out.line("VERSAMENTI NEL PERIODO");
    if (t.versamenti.empty()) out.line("Nessun versamento");
    for (const auto& v : t.versamenti) {
        out.line("  " + v.data + "  " + padRight(left(v.riferimento, 35), 35) + " " +
                 padRight(left(v.canale, 12), 12) + padLeft(importo(v.importo), 15));
    }
    out.line(padRight("Totale versato", 66) + padLeft(importo(t.versato), 15));
    out.line();
    out.line(padRight("Imposta dovuta", 66) + padLeft(importo(t.totale.dovuta), 15));
    out.line(padRight("Imposta riscossa", 66) + padLeft(importo(t.totale.riscossa), 15));
    out.line(padRight("Imposta versata", 66) + padLeft(importo(t.versato), 15));
    out.line(padRight("Saldo da versare (riscossa - versata)", 66) +
             padLeft(importo(t.saldo()), 15));
    out.line();
    for (const auto& c : filings::righeControlli(controlli)) out.line(c);
    out.close();
    filings::avvisaControlli(controlli, "Dichiarazione periodica", io);
    io.showPrintMenu();
    return {};
}

}  // namespace corvex
