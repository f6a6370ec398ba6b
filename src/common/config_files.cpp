#include "common/config_files.h"

#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "common/jet_text.h"
#include "common/text.h"

namespace corvex {

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

namespace {
std::atomic<DataFileReader> dataFileReader{nullptr};
}  // namespace

void setDataFileReader(DataFileReader reader) {
    dataFileReader = reader;
}

bool dataFileExists(const std::string& name) {
    if (DataFileReader reader = dataFileReader) return reader(name).has_value();
    return fileExists(name);
}

std::optional<std::vector<std::string>> readLines(const std::string& path) {
    if (DataFileReader reader = dataFileReader) {
        auto content = reader(path);
        if (!content) return std::nullopt;
        return splitLines(*content);
    }
    if (!fileExists(path)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return splitLines(content);
}

std::string temporaryNameBeside(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return folder + "." + name + "." + std::to_string(::getpid()) + "." +
           std::to_string(counter.fetch_add(1)) + ".tmp";
}

void removeStaleTemporaries(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string prefix =
        "." + (slash == std::string::npos ? path : path.substr(slash + 1)) + ".";
    std::error_code ec;
    const auto limit = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24);
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!startsWith(name, prefix) || name.size() < 4 ||
            name.compare(name.size() - 4, 4, ".tmp") != 0) {
            continue;
        }
        std::error_code ignored;
        if (it->is_regular_file(ignored) && it->last_write_time(ignored) < limit) {
            std::filesystem::remove(it->path(), ignored);
        }
    }
}

std::optional<std::pair<std::string, std::string>> camereImp() {
    constexpr const char* kFile = "CamereImp.txt";
    auto lines = readLines(kFile);
    if (!lines) return std::nullopt;
    std::vector<std::string> rooms;
    for (std::string& l : *lines) {
        // A file saved by a Windows editor as UTF-8 starts with a byte-order mark.
        if (rooms.empty() && startsWith(l, "\xEF\xBB\xBF")) l.erase(0, 3);
        std::size_t b = l.find_first_not_of(" \t");
        std::size_t e = l.find_last_not_of(" \t");
        if (b != std::string::npos) rooms.push_back(l.substr(b, e - b + 1));
    }
    if (rooms.size() < 2) {
        throw std::runtime_error(
            std::string(kFile) +
            " deve contenere due righe, la prima e l'ultima camera dell'intervallo: " +
            (rooms.empty() ? "il file è vuoto"
                           : "contiene solo la camera \"" + cp1252ToUtf8(rooms[0]) + "\""));
    }
    if (db::jet::compareNoCase(rooms[0], rooms[1]) > 0) {
        throw std::runtime_error(std::string(kFile) + ": la prima camera \"" +
                                 cp1252ToUtf8(rooms[0]) + "\" viene dopo l'ultima \"" +
                                 cp1252ToUtf8(rooms[1]) +
                                 "\", quindi l'intervallo non comprende alcuna camera");
    }
    return std::pair{rooms[0], rooms[1]};
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
