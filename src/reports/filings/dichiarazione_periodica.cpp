// The periodic tourist-tax return (a month or a quarter): per category the
// guests, person-nights, the rates in force, the tax due, charged and
// collected; the payments of the period and the balance; the checks. A
// period without nights is a nil return ("Nessun pernottamento").
#include <string>
#include <vector>

#include "common/text.h"
#include "output/report_file.h"
#include "output/xlsx.h"
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

using xlsx::Cella;

// A sheet row: the label, then the amount in the last column (Riscossa).
std::vector<Cella> rigaImporto(const std::string& etichetta, Currency c) {
    return {Cella::testo(etichetta), {}, {}, {}, {}, {}, Cella::importo(c)};
}

}  // namespace

ReportResult StampaDichiarazionePeriodica(const ReportRequest& r, Interaction& io) {
    const Periodo p = controllaPeriodo(r);
    const filings::DatiImposta dati = filings::DatiImposta::leggi(p, "", "ZZZZZZ", &io);
    const filings::Riepilogo t = dati.riepiloga();
    const std::vector<std::string> controlli = dati.controlli();
    const Struttura struttura = leggiStruttura();

    // The sheet follows the report: heading, one row per line of the table,
    // the payments and the balance.
    xlsx::Foglio foglio;
    foglio.nome = "Dichiarazione";
    foglio.titolo = {"DICHIARAZIONE IMPOSTA DI SOGGIORNO DAL " + p.dal + " AL " + p.al};
    for (const auto& s : filings::righeStruttura(struttura)) foglio.titolo.push_back(s);
    foglio.intestazione = {"Categoria",      "Ospiti",     "Notti",   "Tariffa",
                           "Imposta dovuta", "Addebitata", "Riscossa"};
    auto& celle = foglio.righe;

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
        celle.push_back({Cella::testo("Nessun pernottamento")});
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
            celle.push_back(
                {Cella::testo(c.etichetta), Cella::intero(c.ospiti), Cella::intero(nottiPrima),
                 primaTariffa.empty()
                     ? Cella()
                     : Cella::importo(Currency::fromUnits(c.nottiPerTariffa.begin()->first)),
                 pagante ? Cella::importo(c.dovuta) : Cella(), Cella::importo(c.addebitata),
                 Cella::importo(c.riscossa)});
            // More than one rate in the period: the nights at each.
            if (pagante && c.nottiPerTariffa.size() > 1) {
                for (const auto& [u, n] : c.nottiPerTariffa) {
                    out.line(riga("  di cui a tariffa", "", str(n), tariffa(u),
                                  importo(Currency::fromUnits(u) * n), "", ""));
                    celle.push_back({Cella::testo("  di cui a tariffa"),
                                     {},
                                     Cella::intero(n),
                                     Cella::importo(Currency::fromUnits(u)),
                                     Cella::importo(Currency::fromUnits(u) * n)});
                }
            }
        }
    }
    out.line(regola);
    out.line(riga("Totale", str(t.totale.ospiti), str(t.totale.pernottamenti), "",
                  importo(t.totale.dovuta), importo(t.totale.addebitata),
                  importo(t.totale.riscossa)));
    celle.push_back({Cella::testo("Totale"),
                     Cella::intero(t.totale.ospiti),
                     Cella::intero(t.totale.pernottamenti),
                     {},
                     Cella::importo(t.totale.dovuta),
                     Cella::importo(t.totale.addebitata),
                     Cella::importo(t.totale.riscossa)});
    out.line(regola);
    out.line();
    out.line("VERSAMENTI NEL PERIODO");
    celle.emplace_back();
    celle.push_back({Cella::testo("VERSAMENTI NEL PERIODO")});
    if (t.versamenti.empty()) {
        out.line("Nessun versamento");
        celle.push_back({Cella::testo("Nessun versamento")});
    }
    for (const auto& v : t.versamenti) {
        out.line("  " + v.data + "  " + padRight(left(v.riferimento, 35), 35) + " " +
                 padRight(left(v.canale, 12), 12) + padLeft(importo(v.importo), 15));
        celle.push_back({Cella::data(v.data),
                         Cella::testo(trim(v.riferimento)),
                         Cella::testo(trim(v.canale)),
                         {},
                         {},
                         {},
                         Cella::importo(v.importo)});
    }
    out.line(padRight("Totale versato", 66) + padLeft(importo(t.versato), 15));
    out.line();
    out.line(padRight("Imposta dovuta", 66) + padLeft(importo(t.totale.dovuta), 15));
    out.line(padRight("Imposta riscossa", 66) + padLeft(importo(t.totale.riscossa), 15));
    out.line(padRight("Imposta versata", 66) + padLeft(importo(t.versato), 15));
    out.line(padRight("Saldo da versare (riscossa - versata)", 66) +
             padLeft(importo(t.saldo()), 15));
    celle.push_back(rigaImporto("Totale versato", t.versato));
    celle.emplace_back();
    celle.push_back(rigaImporto("Imposta dovuta", t.totale.dovuta));
    celle.push_back(rigaImporto("Imposta riscossa", t.totale.riscossa));
    celle.push_back(rigaImporto("Imposta versata", t.versato));
    celle.push_back(rigaImporto("Saldo da versare (riscossa - versata)", t.saldo()));
    out.line();
    for (const auto& c : filings::righeControlli(controlli)) out.line(c);
    out.close();
    filings::avvisaControlli(controlli, "Dichiarazione periodica", io);
    io.offerSheet(foglio);
    io.showPrintMenu();
    return {};
}

}  // namespace corvex
