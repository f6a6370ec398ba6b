// Pages of a print through the system's printer (and of a PDF): which lines
// go on which page, in which font and size, and which runs are bold. The
// painter draws these pages as they are, so paper and PDF match.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "output/print_config.h"

namespace corvex {

struct SegmentoStampa {
    std::string testo;  // code page 1252 bytes
    bool grassetto = false;
};

struct RigaStampa {
    enum class Tipo { Apertura, Margine, Corpo };
    Tipo tipo = Tipo::Corpo;
    double dimensione = 0;  // points; bold runs print 0.4 point smaller
    std::vector<SegmentoStampa> segmenti;
};

struct PaginaStampa {
    std::vector<RigaStampa> righe;
};

// Bold runs lie between two bold marks (byte 231); the marks are dropped.
// Every line starts with bold off. Empty runs are left out.
std::vector<SegmentoStampa> segmentiGrassetto(const std::string& line);

// Height of a line on the page, and the printable height, in one unit; used
// to start a new page before a line that would not fit. Without it, pages
// break by line count only.
struct MisurePagina {
    std::function<double(const RigaStampa&)> altezza;
    double altezzaUtile = 0;
};

// Lays out the report lines: every page opens with one blank line (the
// opening line, at the compressed size) and the top margin, then the body
// at the chosen size; a page ends when its line count (margin included)
// reaches the page length, when the next line would not fit the printable
// height, or at a line that is exactly one form feed. Lines are drawn as the
// views show them (righeVista, bold marks kept) unless the options hold "K". An empty report gives
// one page with the opening line and the margin; no page is added after the last line.
std::vector<PaginaStampa> impaginaStampante(const std::vector<std::string>& lines,
                                            const ConfigStampa& config,
                                            const MisurePagina* misure = nullptr);

// Size used for a size field that is 0 or negative (a printer-mode record
// that leaves a size empty).
constexpr double kDimensionePredefinita = 10;

}  // namespace corvex
