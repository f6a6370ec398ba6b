// The preview's blocks of the report file and saving an edited block back.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvex {

// Character counts at which a preview block ends: the first block shown,
// and every block after "Avanti" or "Inizio". A block ends after the line
// that brings the count (line lengths as read, before cleaning, without line
// ends) to the limit or beyond; it holds at least one line and never splits
// one.
constexpr long kLimitePrimoBlocco = 20000;
constexpr long kLimiteBlocco = 26000;

struct BloccoAnteprima {
    std::size_t prima = 0;  // index of its first line in the file
    std::size_t righe = 0;  // number of lines
    std::string testo;      // lines as the views show them (rigaVista), each ended by CRLF
    bool altro = false;     // more lines follow in the file
};

// The report file's lines as read (original bytes, line ends removed).
class PaginaAnteprima {
  public:
    // Reads path; false when the file does not exist.
    bool carica(const std::string& path);
    void imposta(std::vector<std::string> lines) { lines_ = std::move(lines); }
    const std::vector<std::string>& righe() const { return lines_; }

    // The block starting at line first, filled up to limit characters.
    BloccoAnteprima blocco(std::size_t first, long limit) const;
    // The block of lines [first, end).
    BloccoAnteprima tratto(std::size_t first, std::size_t end) const;

    // The first lines of the blocks the preview steps through from line
    // first: the first block filled to primo characters, the others to
    // limite. Always at least one block (an empty file has one, empty).
    std::vector<std::size_t> inizi(std::size_t first, long primo, long limite) const;

    // The report's name and period as its heading says them (the first
    // heading line with "dal", "del" or "il" before a date, up to its last
    // date, the line above added when the heading starts with the period),
    // blanks collapsed; empty when the first lines hold no such heading.
    std::string titolo() const;

  private:
    std::vector<std::string> lines_;
};

// Splits an edited text into lines: CRLF, LF or CR end a line; a final line
// end adds no empty line.
std::vector<std::string> righeTesto(std::string_view text);

// The file's lines after the block [first, first + count) was edited into
// edited: the block's lines are replaced, the lines before and after it stay.
// An edited line equal to the shown form of the original line it stands
// for (matched from the block's start and from its end) keeps the original
// bytes, so bold marks and accented capitals the preview hides survive.
std::vector<std::string> sostituisciBlocco(const std::vector<std::string>& original,
                                           std::size_t first, std::size_t count,
                                           const std::vector<std::string>& edited);

// Writes lines as the report file (each ended by CRLF), replacing path.
void scriviRigheReport(const std::string& path, const std::vector<std::string>& lines);

}  // namespace corvex
