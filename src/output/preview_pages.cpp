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

BloccoAnteprima PaginaAnteprima::blocco(std::size_t first, long limit) const {
    BloccoAnteprima b;
    b.prima = std::min(first, lines_.size());
    long count = 0;
    std::size_t i = b.prima;
    auto near = [&](std::size_t k) {
        return k < lines_.size() ? std::string_view(lines_[k]) : std::string_view();
    };
    while (i < lines_.size() && count < limit) {
        const std::string& line = lines_[i];
        count += static_cast<long>(line.size());
        b.testo += rigaVista(line, i > 0 ? near(i - 1) : std::string_view(), near(i + 1));
        b.testo += "\r\n";
        ++i;
    }
    b.righe = i - b.prima;
    b.altro = i < lines_.size();
    return b;
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
