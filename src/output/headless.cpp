#include "output/headless.h"

#include <cmath>
#include <filesystem>
#include <stdexcept>

#include "common/environment.h"
#include "common/text.h"
#include "output/csv.h"
#include "output/raw_print.h"
#include "output/report_file.h"

namespace corvex {

namespace {

[[noreturn]] void noPrinterMode() {
    throw std::runtime_error(
        "La stampa tramite stampante di sistema e il PDF richiedono la versione con finestre del "
        "programma");
}

std::string utf8(const std::string& cp1252) {
    return cp1252ToUtf8(cp1252);
}

// "7,5" or "10": a size in points as the desk writes numbers.
std::string points(double size) {
    const long tenths = std::lround(size * 10);
    std::string s = std::to_string(tenths / 10);
    if (tenths % 10 != 0) s += "," + std::to_string(tenths % 10);
    return s;
}

std::string withPage(std::string notice, const PaginaScelta& page) {
    const std::string fit = avvisoPagina(page);
    if (!fit.empty()) notice += " (" + fit + ")";
    return notice;
}

}  // namespace

std::string fileDiStampa() {
    const std::string report = reportFileName();
    if (!reportFileExists(report)) {
        throw std::runtime_error("Il file di stampa " + utf8(percorsoCompleto(report)) +
                                 " non esiste");
    }
    return report;
}

std::string percorsoCompleto(const std::string& file) {
    std::error_code ec;
    const auto full = std::filesystem::absolute(file, ec);
    return ec ? file : full.lexically_normal().string();
}

ConfigStampa configPDF(const std::string& destinazione, bool compressa, bool orizzontale,
                       bool fronteRetro, std::string* pdfDestination) {
    std::string name = destinazione;
    if (name.empty()) {
        if (auto pdf = destinazionePDF(destinazioniStampa())) name = *pdf;
    }
    if (pdfDestination) *pdfDestination = name;
    ConfigStampa c;
    if (name.empty()) {
        c = configStampaPredefinita(compressa);
    } else {
        auto found = configuraStampa({name, "", compressa, orizzontale, fronteRetro});
        if (!found) {
            throw std::runtime_error("La destinazione di stampa " + utf8(name) +
                                     " non esiste in Stampanti.mdb");
        }
        c = *found;
        c.modoStampante = true;
    }
    c.compressa = compressa;
    c.orizzontale = orizzontale;
    c.fronteRetro = fronteRetro;
    return c;
}

std::string avvisoPagina(const PaginaScelta& p) {
    if (!p.adattata) return {};
    return "la riga più larga (" + std::to_string(p.larghezza) +
           " caratteri) non entrava nella pagina: stampa " +
           (p.orizzontale ? "orizzontale" : "verticale") + " con carattere di " + points(p.corpo) +
           " punti";
}

EsitoUscita uscitaCSV() {
    const std::string csv = percorsoCompleto(ConvertiXLS(fileDiStampa()));
    return {csv, "CSV: " + utf8(csv)};
}

std::string nomeFileXLSX() {
    return reportFileName() + ".xlsx";
}

EsitoUscita uscitaXLSX(const xlsx::Foglio& foglio, const std::string& path) {
    xlsx::scrivi(path, foglio);
    const std::string file = percorsoCompleto(path);
    return {file, "XLSX: " + utf8(file)};
}

EsitoUscita uscitaPDF(const ConfigStampa& config, const std::string& path,
                      const ServiziUscita& servizi) {
    const std::string report = fileDiStampa();
    if (!servizi.render) noPrinterMode();
    ConfigStampa c = config;
    c.modoStampante = true;
    const PaginaScelta page = servizi.render(c, readReportLines(report), path);
    const std::string pdf = percorsoCompleto(path);
    return {pdf, withPage("PDF: " + utf8(pdf), page)};
}

EsitoUscita uscitaStampa(const ConfigStampa& c, const ServiziUscita& servizi) {
    const std::string report = fileDiStampa();
    const auto lines = readReportLines(report);
    if (c.modoStampante) {
        if (!servizi.render) noPrinterMode();
        const PaginaScelta page = servizi.render(c, lines, "");
        return {{},
                withPage("Stampa: " + utf8(c.destinazione) + " inviata alla stampante " +
                             utf8(c.dispositivo),
                         page)};
    }
    const auto& raw = servizi.raw ? servizi.raw : inviaRaw;
    const std::string done = raw(c.dispositivo, uscitaRaw(&lines, c), report);
    // A raw destination that is a plain file is a file the user looks for.
    std::error_code ec;
    const std::string device = trim(c.dispositivo);
    const std::string file =
        std::filesystem::is_regular_file(device, ec) ? percorsoCompleto(device) : std::string();
    return {file, "Stampa: " + utf8(c.destinazione) + ", " +
                      utf8(file.empty() ? done : "scritta nel file " + file)};
}

std::vector<std::string> eseguiUscita(const RichiestaUscita& r, const ServiziUscita& servizi,
                                      const xlsx::Foglio* foglio) {
    std::vector<std::string> done;
    fileDiStampa();
    if (r.csv) done.push_back(uscitaCSV().avviso);
    if (!r.xlsx.empty()) {
        if (!foglio) throw std::runtime_error("Questo report non ha un foglio XLSX");
        done.push_back(uscitaXLSX(*foglio, r.xlsx).avviso);
    }
    if (!r.pdf.empty()) {
        if (!servizi.render) noPrinterMode();
        std::string used;
        const ConfigStampa c =
            configPDF(r.destinazione, r.compressa, r.orizzontale, r.fronteRetro, &used);
        if (used.empty()) {
            done.push_back("Nessuna stampante PDF impostata: PDF con le impostazioni predefinite");
        }
        done.push_back(uscitaPDF(c, r.pdf, servizi).avviso);
    }
    if (!r.stampa.empty()) {
        auto c = configuraStampa({r.stampa, "", r.compressa, r.orizzontale, r.fronteRetro});
        if (!c) {
            throw std::runtime_error("La destinazione di stampa " + utf8(r.stampa) +
                                     " non esiste in Stampanti.mdb");
        }
        done.push_back(uscitaStampa(*c, servizi).avviso);
    }
    return done;
}

}  // namespace corvex
