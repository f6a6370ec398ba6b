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
#include "output/xlsx.h"
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

using xlsx::Cella;

// The declaration as a sheet: one column per quarter and one for the year,
// a row per rate applied (the rate in its own column), then the payments.
xlsx::Foglio foglio(int anno, const std::vector<std::string>& titolo,
                    const std::vector<filings::Riepilogo>& trimestri,
                    const filings::Riepilogo& annoIntero) {
    xlsx::Foglio f;
    f.nome = "Dichiarazione " + str(anno);
    f.titolo = titolo;
    f.intestazione = {"Voce",          "Tariffa",      "I trimestre", "II trimestre",
                      "III trimestre", "IV trimestre", "Anno"};
    std::vector<const filings::Riepilogo*> colonne;
    for (const auto& t : trimestri) colonne.push_back(&t);
    colonne.push_back(&annoIntero);
    auto interi = [&](const std::string& voce, Cella tariffa, auto valore) {
        std::vector<Cella> r{Cella::testo(voce), tariffa};
        for (const auto* t : colonne) r.push_back(Cella::intero(valore(*t)));
        f.righe.push_back(std::move(r));
    };
    auto importi = [&](const std::string& voce, auto valore) {
        std::vector<Cella> r{Cella::testo(voce), {}};
        for (const auto* t : colonne) r.push_back(Cella::importo(valore(*t)));
        f.righe.push_back(std::move(r));
    };
    auto piena = [](const filings::Riepilogo& t) -> const filings::RigaCategoria* {
        for (const auto& r : t.righe)
            if (r.categoria == Categoria::Piena) return &r;
        return nullptr;
    };
    if (const auto* tutte = piena(annoIntero)) {
        for (const auto& [u, n] : tutte->nottiPerTariffa) {
            interi("Pernottamenti a tariffa", Cella::importo(Currency::fromUnits(u)),
                   [&, u = u](const filings::Riepilogo& t) -> std::int64_t {
                       const auto* c = piena(t);
                       if (!c) return 0;
                       const auto it = c->nottiPerTariffa.find(u);
                       return it == c->nottiPerTariffa.end() ? 0 : it->second;
                   });
        }
    }
    interi("Pernottamenti a tariffa ridotta", {},
           [](const filings::Riepilogo& t) { return notti(t, Categoria::Ridotta); });
    interi("Pernottamenti esenti", {},
           [](const filings::Riepilogo& t) { return notti(t, Categoria::Esente); });
    interi("Pernottamenti esclusi (oltre il massimo)", {},
           [](const filings::Riepilogo& t) { return notti(t, Categoria::Esclusa); });
    importi("Imposta dovuta", [](const filings::Riepilogo& t) { return t.totale.dovuta; });
    importi("Imposta riscossa", [](const filings::Riepilogo& t) { return t.totale.riscossa; });
    importi("Imposta versata", [](const filings::Riepilogo& t) { return t.versatoPeriodo; });
    f.righe.emplace_back();
    f.righe.push_back({Cella::testo("VERSAMENTI DELL'ANNO")});
    f.righe.push_back({Cella::testo("Riferimento"),
                       {},
                       Cella::testo("Data"),
                       Cella::testo("Dal"),
                       Cella::testo("Al"),
                       {},
                       Cella::testo("Importo")});
    for (const auto& v : annoIntero.versamentiPeriodo) {
        f.righe.push_back({Cella::testo(trim(v.riferimento)),
                           {},
                           Cella::data(v.data),
                           Cella::data(v.dal),
                           Cella::data(v.al),
                           {},
                           Cella::importo(v.importo)});
    }
    f.righe.push_back({Cella::testo("Totale versato"),
                       {},
                       {},
                       {},
                       {},
                       {},
                       Cella::importo(annoIntero.versatoPeriodo)});
    f.righe.push_back({Cella::testo("Differenza (riscossa - versata)"),
                       {},
                       {},
                       {},
                       {},
                       {},
                       Cella::importo(annoIntero.totale.riscossa - annoIntero.versatoPeriodo)});
    return f;
}

// One structure's part: its data, the quarters, the year, the payments; its
// checks are added to controlli, each after prefisso.
Struttura bloccoStruttura(ReportWriter& out, xlsx::Foglio& sheet, int anno, const Periodo& p,
                          Interaction& io, std::vector<std::string>& tutti,
                          const std::string& prefisso) {
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

    // The sheet: the first structure's table under the report's title; a
    // group's further structures follow below it, each under its own data.
    xlsx::Foglio f = foglio(anno, {}, trimestri, annoIntero);
    if (sheet.intestazione.empty()) sheet.nome = f.nome;
    xlsx::apriBlocco(sheet, filings::righeStruttura(struttura), f.intestazione);
    for (auto& r : f.righe) sheet.righe.push_back(std::move(r));
    return struttura;
}

}  // namespace

ReportResult StampaDichiarazioneAnnuale(const ReportRequest& r, Interaction& io) {
    const int anno = filings::annoRichiesto(r, io);
    const Periodo p = filings::periodoAnno(anno);
    std::vector<std::string> controlli;
    ReportWriter out;
    const std::string intestazione = "DICHIARAZIONE ANNUALE IMPOSTA DI SOGGIORNO ANNO " +
                                     str(anno) + " DAL " + p.dal + " AL " + p.al;
    out.line(intestazione);
    xlsx::Foglio sheet;
    sheet.titolo = {intestazione};
    out.line();
    // A group filing: one block per structure of the same municipality.
    filings::perOgniStruttura([&](const std::string& prefisso) {
        return bloccoStruttura(out, sheet, anno, p, io, controlli, prefisso);
    });
    for (const auto& c : filings::righeControlli(controlli)) out.line(c);
    out.close();
    filings::avvisaControlli(controlli, "Dichiarazione annuale", io);
    io.offerSheet(sheet);
    io.showPrintMenu();
    return {};
}

}  // namespace corvex
