// Printing in printer mode through QPrinter: the system's printers and PDF
// files share one paint path, so a PDF shows what paper would.
#pragma once

#include <QFont>
#include <string>
#include <vector>

#include "output/headless.h"
#include "output/print_config.h"
#include "output/print_layout.h"

class QPrinter;

namespace corvex::qt {

// The font of a printed line: the family named by FontStp.txt (matched by
// fontconfig, e.g. a metric-compatible stand-in) for the body and margin,
// "Times New Roman" for the opening line.
QFont fontRiga(const ConfigStampa& config, const RigaStampa& riga, bool grassetto);

// Lays out and paints the report lines on printer (already set up: printer
// name or PDF file). Returns the number of pages printed.
int disegnaStampa(QPrinter& printer, const ConfigStampa& config,
                  const std::vector<std::string>& lines);

// Sets orientation and duplex from config on printer.
void impostaPagina(QPrinter& printer, const ConfigStampa& config);

// Sets up printer (orientation, duplex) for config and, when the report's
// widest line does not fit the page, turns it to landscape and then lowers
// the body size in config until the line fits. Returns the page chosen.
PaginaScelta adattaPagina(QPrinter& printer, ConfigStampa& config,
                          const std::vector<std::string>& lines);

// Prints lines in printer mode: into the PDF file pdfPath when not empty,
// else on the system printer named config.dispositivo (the default printer
// when no printer has that name). Creates the application object when the
// caller has none (command line). The page fits the widest line
// (adattaPagina). Throws std::runtime_error naming the printer or file on
// failure. Matches corvex::RenderStampante.
PaginaScelta renderStampante(const ConfigStampa& config, const std::vector<std::string>& lines,
                             const std::string& pdfPath);

}  // namespace corvex::qt
