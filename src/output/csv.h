// CSV export of the report file (ConvertiXLS).
#pragma once

#include <string>
#include <string_view>

namespace corvex {

// The three lines of SeparatoreXLS.txt: field separator, decimal separator,
// currency symbol (only its first character is used). Code page 1252 bytes.
struct SeparatoriXLS {
    std::string campo = ",";
    std::string decimale = ".";
    std::string valuta = "\x80";  // the euro sign in code page 1252
};

// Reads SeparatoreXLS.txt from the current directory, line by line as the
// lines stand (no trimming). A missing file, or a missing line, keeps the
// default of that line.
SeparatoriXLS leggiSeparatoriXLS();

// Converts one fixed-width report line into a line of separated fields:
// column separators become the field separator, rules become blanks,
// thousands points are dropped and a decimal comma becomes the decimal
// separator with the currency symbol put in place of the blank before the
// amount. Blanks are never removed, so fields keep their widths.
std::string ConvertiRigaXLS(std::string_view line, const SeparatoriXLS& sep);

// The CSV file's name: "fd" + workstation number + ".csv".
std::string nomeFileCSV();

// Converts every line of the report file reportPath into nomeFileCSV() in
// the current directory (an existing file is replaced) and returns that name.
// Throws std::runtime_error naming the file when it cannot be written.
std::string ConvertiXLS(const std::string& reportPath);

}  // namespace corvex
