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
#include "output/xlsx.h"
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
// its operator's signature block, in the report file and in the sheet; its
// checks are added to tutti, each after prefisso.
Struttura bloccoStruttura(ReportWriter& out, xlsx::Foglio& foglio, const ReportRequest& r, int anno,
                          const Periodo& p, Interaction& io, std::vector<std::string>& tutti,
                          const std::string& prefisso) {
    const filings::DatiImposta dati = filings::DatiImposta::leggi(p, "", "ZZZZZZ", &io);
    const std::vector<std::string> controlli = dati.controlli();
    const filings::Riepilogo annoIntero = dati.riepiloga();
    const Struttura struttura = leggiStruttura();

    // The sheet follows the report row by row; the documents' type and
    // numbers have columns of their own so that the numbers are numbers.
    // A group's further structures follow the first one's table in the same
    // sheet, each under its own data and column headings.
    using xlsx::Cella;
    const std::vector<std::string> intestazione = {"Mese",        "Tipo doc.", "Dal doc.",
                                                   "Al doc.",     "Riscosso",  "Versato il",
                                                   "Riferimento", "Versato"};
    xlsx::apriBlocco(foglio, filings::righeStruttura(struttura), intestazione);
    auto& celle = foglio.righe;

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
        auto tipo = t.numeriPerTipo.begin();
        const std::size_t n =
            std::max<std::size_t>({std::size_t{1}, documenti.size(), t.versamenti.size()});
        for (std::size_t i = 0; i < n; ++i) {
            const bool primo = i == 0;
            const std::string dal = i < documenti.size() ? documenti[i].first : "";
            const std::string al = i < documenti.size() ? documenti[i].second : "";
            std::vector<Cella> c{primo ? Cella::testo(mese) : Cella()};
            if (tipo != t.numeriPerTipo.end()) {
                c.push_back(Cella::testo(left(tipo->first, 1)));
                c.push_back(Cella::intero(tipo->second.first));
                c.push_back(Cella::intero(tipo->second.second));
                ++tipo;
            } else {
                c.resize(4);
            }
            c.push_back(primo ? Cella::importo(t.totale.riscossa) : Cella());
            if (i < t.versamenti.size()) {
                const Versamento& v = t.versamenti[i];
                c.push_back(Cella::data(v.data));
                c.push_back(Cella::testo(trim(v.riferimento)));
                c.push_back(Cella::importo(v.importo));
            } else if (primo && t.versamenti.empty()) {
                c.resize(7);
                c.push_back(Cella::importo(Currency()));
            }
            celle.push_back(std::move(c));
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
    celle.push_back({Cella::testo("Totale"),
                     {},
                     {},
                     {},
                     Cella::importo(annoIntero.totale.riscossa),
                     {},
                     {},
                     Cella::importo(annoIntero.versato)});
    out.line(regola);
    // Notes, checks and signature block: in the sheet below the table too.
    auto nota = [&](const std::string& l = {}) {
        out.line(l);
        celle.push_back({l.empty() ? Cella() : Cella::testo(l)});
    };
    nota();
    nota("NOTE");
    const Currency differenza = annoIntero.totale.riscossa - annoIntero.versato;
    if (differenza == Currency()) {
        nota("Le somme riscosse nell'anno sono state interamente versate.");
    } else {
        nota("Differenza tra riscosso e versato nell'anno: " + importo(differenza) + " euro.");
    }
    // Payments for the year made after its end explain most differences.
    Currency dopo;
    for (const auto& v : annoIntero.versamentiPeriodo) {
        if (DataSql(v.data) <= p.fine) continue;
        dopo += v.importo;
        nota("Versamento del " + v.data + " per il periodo " + v.dal + "-" + v.al + " (" +
             trim(v.riferimento) + "): " + importo(v.importo) + " euro.");
    }
    if (dopo != Currency() && differenza != Currency()) {
        nota("Differenza al netto dei versamenti successivi: " + importo(differenza - dopo) +
             " euro.");
    }
    nota();
    for (const auto& c : filings::righeControlli(controlli)) nota(c);
    nota();
    nota("Data " + trim(r.dal));
    nota();
    nota("L'agente contabile (gestore della struttura)");
    nota(trim(struttura.gestore) + (trim(struttura.codiceFiscaleGestore).empty()
                                        ? ""
                                        : " - C.F. " + trim(struttura.codiceFiscaleGestore)));
    nota();
    nota("Firma ________________________________");
    for (const auto& c : controlli) tutti.push_back(prefisso + c);
    return struttura;
}

}  // namespace

ReportResult StampaModello21(const ReportRequest& r, Interaction& io) {
    const int anno = filings::annoRichiesto(r, io);
    const Periodo p = filings::periodoAnno(anno);
    std::vector<std::string> controlli;
    ReportWriter out;
    const std::string intestazione =
        "MODELLO 21 - CONTO DELLA GESTIONE IMPOSTA DI SOGGIORNO ANNO " + str(anno) + " DAL " +
        p.dal + " AL " + p.al;
    out.line(intestazione);
    out.line();
    xlsx::Foglio foglio;
    foglio.nome = "Modello 21 " + str(anno);
    foglio.titolo = {intestazione};
    // A group filing: one account per structure of the same municipality.
    filings::perOgniStruttura([&](const std::string& prefisso) {
        return bloccoStruttura(out, foglio, r, anno, p, io, controlli, prefisso);
    });
    out.close();
    filings::avvisaControlli(controlli, "Modello 21", io);
    io.offerSheet(foglio);
    io.showPrintMenu();
    return {};
}

}  // namespace corvex
