// Modello 21, the account of the tax collected that the structure's operator
// renders to the municipality for a year: one row per month ("Gennaio -
// IDS") with the first and last number of the documents that collected the
// tax, the amount collected and the payments over (reference, date,
// amount); the totals; notes on any difference; the date and the operator's
// signature block.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "common/dates.h"
#include "common/text.h"
#include "output/report_file.h"
#include "reports/filings/calcolo_imposta.h"
#include "reports/periodo.h"
#include "reports/reports.h"

namespace corvex {

namespace {

using filings::importo;

// "R 233", "F 51": the documents' first and last numbers, one pair per
// document type (each type numbers its own documents).
std::vector<std::pair<std::string, std::string>> numeri(const filings::Riepilogo& t) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& [tipo, n] : t.numeriPerTipo) {
        const std::string sigla = left(tipo, 1) + " ";
        out.emplace_back(sigla + str(n.first), sigla + str(n.second));
    }
    return out;
}

std::string riga(const std::string& mese, const std::string& primo, const std::string& ultimo,
                 const std::string& riscosso, const std::string& data,
                 const std::string& riferimento, const std::string& versato) {
    return trimRight(padRight(mese, 17) + padRight(primo, 10) + padRight(ultimo, 10) +
                     padLeft(riscosso, 13) + "  " + padRight(data, 11) +
                     padRight(left(riferimento, 25), 25) + padLeft(versato, 13));
}

// One structure's account: its data, the months, the totals, the notes and
// its operator's signature block; its checks are added to tutti, each after
// prefisso.
Struttura bloccoStruttura(ReportWriter& out, const ReportRequest& r, int anno, const Periodo& p,
                          Interaction& io, std::vector<std::string>& tutti,
                          const std::string& prefisso) {
    const filings::DatiImposta dati = filings::DatiImposta::leggi(p, "", "ZZZZZZ", &io);
    const std::vector<std::string> controlli = dati.controlli();
    const filings::Riepilogo annoIntero = dati.riepiloga();
    const Struttura struttura = leggiStruttura();

    const std::string regola(101, '-');
    for (const auto& s : filings::righeStruttura(struttura)) out.line(s);
    out.line();
    out.line(regola);
    out.line(
        riga("Mese", "Dal doc.", "Al doc.", "Riscosso", "Versato il", "Riferimento", "Versato"));
    out.line(regola);
    for (int m = 1; m <= 12; ++m) {
        const filings::Riepilogo t =
            dati.riepiloga(filings::primoDelMese(anno, m), filings::primoDelMese(anno, m + 1) - 1);
        const std::string mese = std::string(filings::nomeMese(m)) + " - IDS";
        const std::string riscosso = importo(t.totale.riscossa);
        // One line per document type or payment, whichever are more; the
        // month and its amount on the first.
        const auto documenti = numeri(t);
        const std::size_t n =
            std::max<std::size_t>({std::size_t{1}, documenti.size(), t.versamenti.size()});
        for (std::size_t i = 0; i < n; ++i) {
            const bool primo = i == 0;
            const std::string dal = i < documenti.size() ? documenti[i].first : "";
            const std::string al = i < documenti.size() ? documenti[i].second : "";
            if (i < t.versamenti.size()) {
                const Versamento& v = t.versamenti[i];
                out.line(riga(primo ? mese : "", dal, al, primo ? riscosso : "", v.data,
                              v.riferimento, importo(v.importo)));
            } else {
                out.line(riga(primo ? mese : "", dal, al, primo ? riscosso : "", "", "",
                              primo && t.versamenti.empty() ? importo(Currency()) : ""));
            }
        }
    }
    out.line(regola);
    out.line(riga("Totale", "", "", importo(annoIntero.totale.riscossa), "", "",
                  importo(annoIntero.versato)));
    out.line(regola);
    out.line();
    out.line("NOTE");
    const Currency differenza = annoIntero.totale.riscossa - annoIntero.versato;
    if (differenza == Currency()) {
        out.line("Le somme riscosse nell'anno sono state interamente versate.");
    } else {
        out.line("Differenza tra riscosso e versato nell'anno: " + importo(differenza) + " euro.");
    }
    // Payments for the year made after its end explain most differences.
    Currency dopo;
    for (const auto& v : annoIntero.versamentiPeriodo) {
        if (DataSql(v.data) <= p.fine) continue;
        dopo += v.importo;
        out.line("Versamento del " + v.data + " per il periodo " + v.dal + "-" + v.al + " (" +
                 trim(v.riferimento) + "): " + importo(v.importo) + " euro.");
    }
    if (dopo != Currency() && differenza != Currency()) {
        out.line("Differenza al netto dei versamenti successivi: " + importo(differenza - dopo) +
                 " euro.");
    }
    out.line();
    for (const auto& c : filings::righeControlli(controlli)) out.line(c);
    out.line();
    out.line("Data " + trim(r.dal));
    out.line();
    out.line("L'agente contabile (gestore della struttura)");
    out.line(trim(struttura.gestore) + (trim(struttura.codiceFiscaleGestore).empty()
                                            ? ""
                                            : " - C.F. " + trim(struttura.codiceFiscaleGestore)));
    out.line();
    out.line("Firma ________________________________");
    for (const auto& c : controlli) tutti.push_back(prefisso + c);
    return struttura;
}

}  // namespace

ReportResult StampaModello21(const ReportRequest& r, Interaction& io) {
    const int anno = filings::annoRichiesto(r, io);
    const Periodo p = filings::periodoAnno(anno);
    std::vector<std::string> controlli;
    ReportWriter out;
    out.line("MODELLO 21 - CONTO DELLA GESTIONE IMPOSTA DI SOGGIORNO ANNO " + str(anno) + " DAL " +
             p.dal + " AL " + p.al);
    out.line();
    // A group filing: one account per structure of the same municipality.
    filings::perOgniStruttura([&](const std::string& prefisso) {
        return bloccoStruttura(out, r, anno, p, io, controlli, prefisso);
    });
    out.close();
    filings::avvisaControlli(controlli, "Modello 21", io);
    io.showPrintMenu();
    return {};
}

}  // namespace corvex
