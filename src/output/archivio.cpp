#include "output/archivio.h"

#include <filesystem>

#include "common/clock.h"
#include "common/environment.h"
#include "common/text.h"

namespace corvex {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxSameMinute = 1000;

}  // namespace

std::string nomeCopiaArchivio() {
    return "doc/" + reportFileName() + timestampText() + ".txt";
}

CopiaArchivio creaCopiaArchivio() {
    std::error_code ec;
    const std::string source = reportFileName();
    if (!fs::is_regular_file(source, ec)) return {};
    fs::create_directory("doc", ec);
    if (ec) {
        return {{},
                "impossibile creare la cartella " + cp1252ToUtf8(fs::absolute("doc").string()) +
                    ": " + ec.message()};
    }
    const fs::path first(nomeCopiaArchivio());
    for (int n = 1; n <= kMaxSameMinute; ++n) {
        fs::path copy = first;
        if (n > 1) copy.replace_filename(first.stem().string() + "-" + std::to_string(n) + ".txt");
        // copy_file without overwriting fails on an existing name, so two
        // menus opened in the same minute cannot take the same one.
        if (fs::copy_file(source, copy, fs::copy_options::none, ec)) return {copy.string(), {}};
        std::error_code gone;
        if (!fs::exists(copy, gone)) break;
    }
    return {{},
            "impossibile copiare " + cp1252ToUtf8(source) + " nella cartella " +
                cp1252ToUtf8(fs::absolute("doc").string()) + ": " +
                (ec ? ec.message() : std::string("troppe copie nello stesso minuto"))};
}

std::string percorsoPDF(const std::string& device, const std::string& archiveCopy) {
    const std::string d = trim(device);
    if (d.size() > 4 && equalsNoCase(right(d, 4), ".pdf")) return d;
    if (archiveCopy.empty()) return reportFileName() + ".pdf";
    fs::path p(archiveCopy);
    p.replace_extension(".pdf");
    return p.string();
}

}  // namespace corvex
