#include "output/csv.h"

#include <stdexcept>

#include "common/config_files.h"
#include "common/environment.h"
#include "output/report_file.h"
#include "output/text_output.h"

namespace corvex {

namespace {

bool isDigitAt(std::string_view line, std::ptrdiff_t i) {
    if (i < 0 || i >= static_cast<std::ptrdiff_t>(line.size())) return false;
    const char c = line[static_cast<std::size_t>(i)];
    return c >= '0' && c <= '9';
}

// A point or comma between a digit before it and two digits after it.
bool betweenDigits(std::string_view line, std::ptrdiff_t i) {
    return isDigitAt(line, i - 1) && isDigitAt(line, i + 1) && isDigitAt(line, i + 2);
}

bool isColumnSeparator(unsigned char b) {
    switch (b) {
        case 179:
        case 191:
        case 192:
        case 193:
        case 194:
        case 195:
        case 197:
        case 217:
        case 218:
        case '|':
        case '+':
            return true;
        default:
            return false;
    }
}

}  // namespace

SeparatoriXLS leggiSeparatoriXLS() {
    SeparatoriXLS sep;
    const auto lines = readLines("SeparatoreXLS.txt");
    if (!lines) return sep;
    if (lines->size() > 0) sep.campo = (*lines)[0];
    if (lines->size() > 1) sep.decimale = (*lines)[1];
    if (lines->size() > 2) sep.valuta = (*lines)[2];
    return sep;
}

std::string ConvertiRigaXLS(std::string_view line, const SeparatoriXLS& sep) {
    std::string out;
    out.reserve(line.size() + 8);
    const auto n = static_cast<std::ptrdiff_t>(line.size());
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        const char c = line[static_cast<std::size_t>(i)];
        const auto b = static_cast<unsigned char>(c);
        if (isColumnSeparator(b)) {
            out += sep.campo;
        } else if (b == 180) {
            if (i == n - 1) {
                out += sep.campo;
            } else {
                out += ' ';
            }
        } else if (b == 196) {
            out += ' ';
        } else if (c == '-') {
            out += isDigitAt(line, i + 1) ? '-' : ' ';
        } else if (c == '.') {
            if (!betweenDigits(line, i)) out += '.';
        } else if (c == ',') {
            if (betweenDigits(line, i)) {
                // The blank nearest to the amount's left carries the currency
                // symbol; without such a blank the symbol is left out.
                const auto blank = out.rfind(' ');
                if (blank != std::string::npos && !sep.valuta.empty()) out[blank] = sep.valuta[0];
                out += sep.decimale;
            } else {
                out += ' ';
            }
        } else {
            out += c;
        }
    }
    return out;
}

std::string nomeFileCSV() {
    return reportFileName() + ".csv";
}

std::string ConvertiXLS(const std::string& reportPath) {
    const SeparatoriXLS sep = leggiSeparatoriXLS();
    std::string text;
    for (const auto& line : readReportLines(reportPath)) {
        text += ConvertiRigaXLS(line, sep);
        text += "\r\n";
    }
    const std::string name = nomeFileCSV();
    scriviFileSicuro(name, text);
    return name;
}

}  // namespace corvex
