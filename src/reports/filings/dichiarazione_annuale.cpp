// The annual tourist-tax declaration: the structure's data, then for each
// quarter I-IV the nights at each rate applied (at most three a quarter, as
// the form has room for), at reduced rate and exempt, the tax collected and
// the tax paid over for the quarter; the year's totals; the payments list;
// the checks. Printed as a sheet to copy into the revenue agency's form.
#include <string>
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

// The rates a quarter's form has room for.
constexpr std::size_t kTariffeTrimestre = 3;

std::string voce(const std::string& testo, const std::string& valore) {
    return "  " + padRight(testo, 58) + padLeft(valore, 15);
}

std::int64_t notti(const filings::Riepilogo& t, Categoria c) {
    std::int64_t n = 0;
    for (const auto& r : t.righe)
        if (r.categoria == c) n += r.pernottamenti;
    return n;
}

void quadro(ReportWriter& out, const std::string& titolo, const filings::Riepilogo& t) {
    out.line(titolo);
    const filings::RigaCategoria* piena = nullptr;
    for (const auto& r : t.righe)
        if (r.categoria == Categoria::Piena) piena = &r;
    std::size_t k = 0;
    if (piena) {
        for (const auto& [u, n] : piena->nottiPerTariffa) {
            ++k;
            out.line(voce("Pernottamenti a tariffa " + str(static_cast<std::int64_t>(k)) +
                              " (euro " + importo(Currency::fromUnits(u)) + ")",
                          str(n)));
        }
    }
    if (k == 0) out.line(voce("Pernottamenti a tariffa", "0"));
    out.line(voce("Pernottamenti a tariffa ridotta", str(notti(t, Categoria::Ridotta))));
    out.line(voce("Pernottamenti esenti", str(notti(t, Categoria::Esente))));
    out.line(voce("Pernottamenti esclusi (oltre il massimo)", str(notti(t, Categoria::Esclusa))));
    out.line(voce("Imposta dovuta", importo(t.totale.dovuta)));
    out.line(voce("Imposta riscossa", importo(t.totale.riscossa)));
    out.line(voce("Imposta versata", importo(t.versatoPeriodo)));
    out.line();
}

// One structure's part: its data, the quarters, the year, the payments; its
// checks are added to controlli, each after prefisso.
Struttura bloccoStruttura(ReportWriter& out, int anno, const Periodo& p, Interaction& io,
                          std::vector<std::string>& tutti, const std::string& prefisso) {
    const filings::DatiImposta dati = filings::DatiImposta::leggi(p, "", "ZZZZZZ", &io);
    std::vector<std::string> controlli = dati.controlli();
    std::vector<filings::Riepilogo> trimestri;
    for (int q = 1; q <= 4; ++q) {
        trimestri.push_back(dati.riepiloga(filings::primoDelMese(anno, 3 * q - 2),
                                           filings::primoDelMese(anno, 3 * q + 1) - 1));
        for (const auto& c : trimestri.back().righe) {
            if (c.categoria == Categoria::Piena && c.nottiPerTariffa.size() > kTariffeTrimestre) {
                controlli.insert(controlli.begin(),
                                 std::string("trimestre ") + filings::trimestreRomano(q) + ": " +
                                     str(static_cast<std::int64_t>(c.nottiPerTariffa.size())) +
                                     " tariffe applicate, il modello ne accoglie " +
                                     str(static_cast<std::int64_t>(kTariffeTrimestre)));
            }
        }
    }
    const filings::Riepilogo annoIntero = dati.riepiloga();
    const Struttura struttura = leggiStruttura();

    const std::string regola(75, '-');
    for (const auto& s : filings::righeStruttura(struttura)) out.line(s);
    out.line(regola);
    for (int q = 1; q <= 4; ++q) {
        const auto& t = trimestri[static_cast<std::size_t>(q - 1)];
        quadro(out,
               std::string(filings::trimestreRomano(q)) + " TRIMESTRE (" + DataDaNumero(t.dal) +
                   " - " + DataDaNumero(t.al) + ")",
               t);
    }
    out.line(regola);
    quadro(out, "TOTALE ANNO " + str(anno), annoIntero);
    out.line(regola);
    out.line("VERSAMENTI DELL'ANNO");
    if (annoIntero.versamentiPeriodo.empty()) out.line("Nessun versamento");
    for (const auto& v : annoIntero.versamentiPeriodo) {
        out.line("  " + v.data + "  " + padRight(left(v.riferimento, 30), 30) + " " + v.dal + "-" +
                 v.al + padLeft(importo(v.importo), 12));
    }
    out.line(voce("Totale versato", importo(annoIntero.versatoPeriodo)));
    out.line(voce("Differenza (riscossa - versata)",
                  importo(annoIntero.totale.riscossa - annoIntero.versatoPeriodo)));
    out.line();
    for (const auto& c : controlli) tutti.push_back(prefisso + c);
    return struttura;
}

}  // namespace

ReportResult StampaDichiarazioneAnnuale(const ReportRequest& r, Interaction& io) {
    const int anno = filings::annoRichiesto(r, io);
    const Periodo p = filings::periodoAnno(anno);
    std::vector<std::string> controlli;
    ReportWriter out;
    out.line("DICHIARAZIONE ANNUALE IMPOSTA DI SOGGIORNO ANNO " + str(anno) + " DAL " + p.dal +
             " AL " + p.al);
    out.line();
    // A group filing: one block per structure of the same municipality.
    filings::perOgniStruttura([&](const std::string& prefisso) {
        return bloccoStruttura(out, anno, p, io, controlli, prefisso);
    });
    for (const auto& c : filings::righeControlli(controlli)) out.line(c);
    out.close();
    filings::avvisaControlli(controlli, "Dichiarazione annuale", io);
    io.showPrintMenu();
    return {};
}

}  // namespace corvex
