#include "output/preview_pages.h"

#include <algorithm>

#include "output/report_file.h"
#include "output/righe_vista.h"
#include "output/text_output.h"

namespace corvex {

bool PaginaAnteprima::carica(const std::string& path) {
    if (!reportFileExists(path)) {
        lines_.clear();
        return false;
    }
    lines_ = readReportLines(path);
    return true;
}

namespace {

// One past the last line of the block starting at first with limit.
std::size_t fineBlocco(const std::vector<std::string>& lines, std::size_t first, long limit) {
    long count = 0;
    std::size_t i = std::min(first, lines.size());
    while (i < lines.size() && count < limit) {
        count += static_cast<long>(lines[i].size());
        ++i;
    }
    return i;
}

bool cifra(char c) {
    return c >= '0' && c <= '9';
}

// Position of the first "dd/mm/yyyy" in text at or after from, or npos.
std::size_t data(const std::string& text, std::size_t from = 0) {
    for (std::size_t i = from; i + 10 <= text.size(); ++i) {
        const char* d = text.data() + i;
        if (cifra(d[0]) && cifra(d[1]) && d[2] == '/' && cifra(d[3]) && cifra(d[4]) &&
            d[5] == '/' && cifra(d[6]) && cifra(d[7]) && cifra(d[8]) && cifra(d[9])) {
            return i;
        }
    }
    return std::string::npos;
}

std::string compatta(const std::string& line) {
    std::string out;
    for (char c : line) {
        const bool blank = c == ' ' || c == '\t';
        if (blank && (out.empty() || out.back() == ' ')) continue;
        out += blank ? ' ' : c;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

std::string minuscolo(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

}  // namespace

BloccoAnteprima PaginaAnteprima::blocco(std::size_t first, long limit) const {
    return tratto(first, fineBlocco(lines_, first, limit));
}

BloccoAnteprima PaginaAnteprima::tratto(std::size_t first, std::size_t end) const {
    BloccoAnteprima b;
    b.prima = std::min(first, lines_.size());
    end = std::clamp(end, b.prima, lines_.size());
    auto near = [&](std::size_t k) {
        return k < lines_.size() ? std::string_view(lines_[k]) : std::string_view();
    };
    for (std::size_t i = b.prima; i < end; ++i) {
        b.testo += rigaVista(lines_[i], i > 0 ? near(i - 1) : std::string_view(), near(i + 1));
        b.testo += "\r\n";
    }
    b.righe = end - b.prima;
    b.altro = end < lines_.size();
    return b;
}

std::vector<std::size_t> PaginaAnteprima::inizi(std::size_t first, long primo, long limite) const {
    std::vector<std::size_t> out{std::min(first, lines_.size())};
    std::size_t end = fineBlocco(lines_, out.back(), primo);
    while (end < lines_.size()) {
        out.push_back(end);
        end = fineBlocco(lines_, end, limite);
    }
    return out;
}

std::string PaginaAnteprima::titolo() const {
    constexpr std::size_t kRigheIntestazione = 8;
    std::string above;
    for (std::size_t i = 0; i < std::min(lines_.size(), kRigheIntestazione); ++i) {
        const std::string line = compatta(rigaVista(lines_[i], {}, {}));
        const std::size_t first = data(line);
        if (first == std::string::npos) {
            if (!line.empty()) above = line;
            continue;
        }
        // The word before the first date says it is the heading's period.
        std::string before = line.substr(0, first);
        while (!before.empty() && before.back() == ' ') before.pop_back();
        const std::size_t space = before.rfind(' ');
        const std::size_t wordStart = space == std::string::npos ? 0 : space + 1;
        const std::string word = minuscolo(before.substr(wordStart));
        if (word != "dal" && word != "del" && word != "il") continue;
        std::size_t last = first;
        for (std::size_t next = data(line, first + 10); next != std::string::npos;
             next = data(line, next + 10)) {
            last = next;
        }
        std::string title = line.substr(0, last + 10);
        if (wordStart == 0 && !above.empty()) title = above + " " + title;
        return title;
    }
    return std::string();
}

std::vector<std::string> righeTesto(std::string_view text) {
    std::vector<std::string> out;
    std::string current;
    bool pending = false;  // a line has started since the last line end
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            out.push_back(std::move(current));
            current.clear();
            pending = false;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            current += c;
            pending = true;
        }
    }
    if (pending) out.push_back(std::move(current));
    return out;
}

std::vector<std::string> sostituisciBlocco(const std::vector<std::string>& original,
                                           std::size_t first, std::size_t count,
                                           const std::vector<std::string>& edited) {
    first = std::min(first, original.size());
    count = std::min(count, original.size() - first);
    auto shown = [&](std::size_t k) {
        const std::size_t i = first + k;
        return rigaVista(
            original[i], i > 0 ? std::string_view(original[i - 1]) : std::string_view(),
            i + 1 < original.size() ? std::string_view(original[i + 1]) : std::string_view());
    };

    std::vector<std::string> block(edited);
    // Lines the user left alone, from the start and from the end of the block,
    // take back their original bytes.
    std::size_t head = 0;
    while (head < count && head < edited.size() && edited[head] == shown(head)) {
        block[head] = original[first + head];
        ++head;
    }
    std::size_t tail = 0;
    while (tail < count - head && tail < edited.size() - head &&
           edited[edited.size() - 1 - tail] == shown(count - 1 - tail)) {
        block[edited.size() - 1 - tail] = original[first + count - 1 - tail];
        ++tail;
    }

    std::vector<std::string> out;
    out.reserve(original.size() - count + block.size());
    out.insert(out.end(), original.begin(), original.begin() + static_cast<std::ptrdiff_t>(first));
    out.insert(out.end(), block.begin(), block.end());
    out.insert(out.end(), original.begin() + static_cast<std::ptrdiff_t>(first + count),
               original.end());
    return out;
}

void scriviRigheReport(const std::string& path, const std::vector<std::string>& lines) {
    std::string bytes;
    std::size_t total = 0;
    for (const auto& l : lines) total += l.size() + 2;
    bytes.reserve(total);
    for (const auto& l : lines) {
        bytes += l;
        bytes += "\r\n";
    }
    scriviFileSicuro(path, bytes);
}

}  // namespace corvex
