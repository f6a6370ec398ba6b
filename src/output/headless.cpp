#include "output/headless.h"

#include <stdexcept>

#include "common/environment.h"
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

RenderStampante& registered() {
    static RenderStampante render;
    return render;
}

}  // namespace

void registraRenderStampante(RenderStampante render) {
    registered() = std::move(render);
}

const RenderStampante& renderStampanteRegistrato() {
    return registered();
}

ConfigStampa configPDF(const std::string& destinazione, bool compressa, bool orizzontale,
                       bool fronteRetro) {
    std::string name = destinazione;
    if (name.empty()) {
        if (auto pdf = destinazionePDF(destinazioniStampa())) name = *pdf;
    }
    ConfigStampa c;
    if (name.empty()) {
        c = configStampaPredefinita(compressa);
    } else {
        auto found = configuraStampa({name, "", compressa, orizzontale, fronteRetro});
        if (!found) {
            throw std::runtime_error("La destinazione di stampa " + name +
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

std::vector<std::string> eseguiUscita(const RichiestaUscita& r, const RenderStampante& render) {
    std::vector<std::string> done;
    const std::string report = reportFileName();
    if (!reportFileExists(report)) {
        throw std::runtime_error("Il file di stampa " + report + " non esiste");
    }
    if (r.csv) done.push_back("CSV: " + ConvertiXLS(report));
    if (!r.pdf.empty()) {
        if (!render) noPrinterMode();
        const ConfigStampa c = configPDF(r.destinazione, r.compressa, r.orizzontale, r.fronteRetro);
        render(c, readReportLines(report), r.pdf);
        done.push_back("PDF: " + r.pdf);
    }
    if (!r.stampa.empty()) {
        auto c = configuraStampa({r.stampa, "", r.compressa, r.orizzontale, r.fronteRetro});
        if (!c) {
            throw std::runtime_error("La destinazione di stampa " + r.stampa +
                                     " non esiste in Stampanti.mdb");
        }
        const auto lines = readReportLines(report);
        if (c->modoStampante) {
            if (!render) noPrinterMode();
            render(*c, lines, "");
            done.push_back("Stampa: " + r.stampa + " su " + c->dispositivo);
        } else {
            done.push_back("Stampa: " + r.stampa + ", " +
                           inviaRaw(c->dispositivo, uscitaRaw(&lines, *c), report));
        }
    }
    return done;
}

}  // namespace corvex
