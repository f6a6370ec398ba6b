#include "output/archivio.h"

#include <filesystem>

#include "common/clock.h"
#include "common/environment.h"
#include "common/text.h"

namespace corvex {

namespace fs = std::filesystem;

std::string nomeCopiaArchivio() {
    return "doc/" + reportFileName() + timestampText() + ".doc";
}

std::string creaCopiaArchivio() {
    std::error_code ec;
    fs::create_directory("doc", ec);
    const std::string source = reportFileName();
    if (!fs::is_regular_file(source, ec)) return {};
    const std::string copy = nomeCopiaArchivio();
    fs::copy_file(source, copy, fs::copy_options::overwrite_existing, ec);
    return ec ? std::string() : copy;
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
