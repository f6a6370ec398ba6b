// A spreadsheet of one sheet written as an XLSX file: typed cells (text,
// amounts with two decimals, whole numbers, real dates), a bold header row,
// column widths. The filings export their figures this way so that a
// spreadsheet adds them up without any conversion.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/currency.h"

namespace corvex::xlsx {

// One cell. Texts and dates are code page 1252 bytes, as the report data.
class Cella {
  public:
    enum class Tipo { Vuota, Testo, Importo, Intero, Data };

    Cella() = default;
    static Cella testo(std::string cp1252);
    static Cella importo(Currency value);  // written with two decimals
    static Cella intero(std::int64_t value);
    static Cella data(std::string ddmmyyyy);  // an Excel date shown dd/mm/yyyy

    Tipo tipo() const { return tipo_; }
    const std::string& text() const { return text_; }
    Currency currency() const { return currency_; }
    std::int64_t whole() const { return whole_; }

  private:
    Tipo tipo_ = Tipo::Vuota;
    std::string text_;
    Currency currency_;
    std::int64_t whole_ = 0;
};

struct Foglio {
    std::string nome = "Foglio1";  // the sheet's tab (at most 31 characters kept)
    // Lines above the table (a report's heading, the first in bold), then
    // one empty row; none when empty.
    std::vector<std::string> titolo;
    std::vector<std::string> intestazione;  // the bold first row; none when empty
    // Column widths in characters; a column without one (or 0) is as wide
    // as its longest text, between 8 and 60.
    std::vector<double> larghezze;
    std::vector<std::vector<Cella>> righe;
};

// A file that could not be written; what() names it (UTF-8, Italian).
class XlsxError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Starts one block of a sheet that holds several (a group's structures): the
// first block's lines go above the table and its headings head the sheet; a
// later block follows the rows so far after an empty row, its lines and
// headings as rows of text.
void apriBlocco(Foglio& foglio, const std::vector<std::string>& righe,
                const std::vector<std::string>& intestazione);

// Writes the sheet to file (an existing file is replaced). The workbook is
// built under a temporary name beside it and renamed at the end, so that a
// failure never leaves a half-written file under the name. Throws XlsxError.
void scrivi(const std::string& file, const Foglio& foglio);

}  // namespace corvex::xlsx
