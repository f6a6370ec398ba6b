// Output of a report without windows: the command line's --pdf, --csv and
// --print share the print menu's code through these entry points.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "output/print_config.h"

namespace corvex {

struct RichiestaUscita {
    std::string pdf;           // --pdf FILE: printer-mode rendering into FILE
    bool csv = false;          // --csv: the CSV export beside the report file
    std::string stampa;        // --print DESTINATION: a destination of Stampanti.mdb
    std::string destinazione;  // --destination NAME: whose settings --pdf uses
    bool compressa = false;
    bool orizzontale = false;
    bool fronteRetro = false;
};

// Draws report lines in printer mode, on the system printer config.dispositivo
// or, when pdfPath is not empty, into that PDF file. Needs the windowing
// library: the desktop build supplies corvex::qt::renderStampante
// (output/qt/printer_output.h); without it printer-mode output is an error.
using RenderStampante = std::function<void(
    const ConfigStampa& config, const std::vector<std::string>& lines, const std::string& pdfPath)>;

// The renderer of this build: the desktop build registers
// corvex::qt::renderStampante at start-up (before the command line runs), so
// the Qt-free command line can hand it to eseguiUscita. Empty without one.
void registraRenderStampante(RenderStampante render);
const RenderStampante& renderStampanteRegistrato();

// Settings of a PDF: those of the named destination, else of the last
// destination holding "PDF", else configStampaPredefinita. Always printer
// mode. Throws std::runtime_error when a named destination does not exist.
ConfigStampa configPDF(const std::string& destinazione, bool compressa, bool orizzontale,
                       bool fronteRetro);

// Runs the requested outputs on the report file of this workstation, in the
// order CSV, PDF, print. Returns one line per output done ("CSV: fd1.csv").
// Throws std::runtime_error naming the file or destination on failure
// (a missing report file or destination included).
std::vector<std::string> eseguiUscita(const RichiestaUscita& richiesta,
                                      const RenderStampante& render);

}  // namespace corvex
