// The output actions of a report, one set for both fronts: the print menu's
// buttons and the command line's --csv, --pdf and --print run these, so the
// two behave alike (the same settings, the same checks, the same notices).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "output/print_config.h"
#include "output/xlsx.h"

namespace corvex {

struct RichiestaUscita {
    std::string pdf;           // --pdf FILE: printer-mode rendering into FILE
    bool csv = false;          // --csv: the CSV export beside the report file
    std::string xlsx;          // --xlsx FILE: the report's sheet (filings only)
    std::string stampa;        // --print DESTINATION: a destination of Stampanti.mdb
    std::string destinazione;  // --destination NAME: whose settings --pdf uses
    bool compressa = false;
    bool orizzontale = false;
    bool fronteRetro = false;
};

// The page a printer-mode print was drawn on. When the report's widest line
// did not fit the chosen page, the renderer turns the page to landscape and,
// if that is not enough, lowers the body size until the line fits.
struct PaginaScelta {
    bool adattata = false;      // orientation or size differ from the settings
    bool orizzontale = false;   // the page drawn
    double corpo = 0;           // body size drawn, in points
    std::size_t larghezza = 0;  // characters of the widest line
};

// Draws report lines in printer mode, on the system printer config.dispositivo
// or, when pdfPath is not empty, into that PDF file; returns the page used.
// The desktop build passes corvex::qt::renderStampante
// (output/qt/printer_output.h); without it printer-mode output is an error.
using RenderStampante = std::function<PaginaScelta(
    const ConfigStampa& config, const std::vector<std::string>& lines, const std::string& pdfPath)>;

// What the output actions use outside this library; tests replace them.
struct ServiziUscita {
    RenderStampante render;  // empty: no printer mode, no PDF
    std::function<std::string(const std::string& device, const std::string& bytes,
                              const std::string& title)>
        raw;  // raw output; empty: inviaRaw
};

// One output done: the file written (absolute, code page 1252; empty when
// the output went to a printer or queue) and the notice for the user (UTF-8).
struct EsitoUscita {
    std::string file;
    std::string avviso;
};

// The report file of this workstation, which must exist: every output reads
// it. Throws std::runtime_error naming it when it is missing, before any
// output starts (a raw print would otherwise send its start sequence alone).
std::string fileDiStampa();

// The absolute form of a file name, for notices that tell where a file is.
std::string percorsoCompleto(const std::string& file);

// Settings of a PDF: those of the named destination, else of the last
// destination holding "PDF", else configStampaPredefinita. Always printer
// mode. Throws std::runtime_error when a named destination does not exist.
// pdfDestination, when given, receives the destination used (empty: defaults).
ConfigStampa configPDF(const std::string& destinazione, bool compressa, bool orizzontale,
                       bool fronteRetro, std::string* pdfDestination = nullptr);

// The CSV export of the report file ("CSV: /path/fd1.csv").
EsitoUscita uscitaCSV();

// The sheet a report offered, as the XLSX file path ("XLSX: /path/x.xlsx").
// Throws xlsx::XlsxError naming the file.
EsitoUscita uscitaXLSX(const xlsx::Foglio& foglio, const std::string& path);

// The XLSX file of the print menu: the report file's name with ".xlsx",
// beside the CSV export.
std::string nomeFileXLSX();

// The report drawn in printer mode into the PDF file path.
EsitoUscita uscitaPDF(const ConfigStampa& config, const std::string& path,
                      const ServiziUscita& servizi);

// The report printed on its destination (config.destinazione names it in
// the notice): printer mode through the renderer, raw bytes otherwise.
EsitoUscita uscitaStampa(const ConfigStampa& config, const ServiziUscita& servizi);

// The notice for a page that was changed to fit the widest line, e.g. "la
// riga più larga (141 caratteri) non entrava nella pagina: stampata in
// orizzontale, corpo 7,5 punti"; empty when the page was not changed.
std::string avvisoPagina(const PaginaScelta& pagina);

// Runs the requested outputs in the order CSV, XLSX, PDF, print. Returns
// one notice per output done. Throws std::runtime_error naming the file or
// destination on failure (a missing report file or destination included,
// and an XLSX asked of a report that offered no sheet).
std::vector<std::string> eseguiUscita(const RichiestaUscita& richiesta,
                                      const ServiziUscita& servizi,
                                      const xlsx::Foglio* foglio = nullptr);

}  // namespace corvex
