#include "common/config_files.h"

#include <sys/stat.h>
#include <fstream>

#include "common/text.h"

namespace corvex {

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::vector<std::string>> readLines(const std::string& path) {
    if (!fileExists(path)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return splitLines(content);
}

std::optional<std::pair<std::string, std::string>> camereImp() {
    const auto lines = readLines("CamereImp.txt");
    if (!lines) return std::nullopt;
    std::pair<std::string, std::string> range;
    if (!lines->empty()) range.first = (*lines)[0];
    if (lines->size() > 1) range.second = (*lines)[1];
    return range;
}

std::pair<std::string, std::string> rangeCamere(const std::string& first, const std::string& last) {
    if (auto fromFile = camereImp()) return *fromFile;
    return {trim(first), trim(last)};
}

std::string LeggiParametri(int k) {
    // One parameter per line: line k is parameter k. A missing file or line
    // answers an empty text, which no caller takes for a "S" flag.
    if (k < 1) return {};
    const auto lines = readLines("Parametri.txt");
    if (!lines || static_cast<std::size_t>(k) > lines->size()) return {};
    return (*lines)[static_cast<std::size_t>(k - 1)];
}

}  // namespace corvex
