#include "output/mail.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "common/environment.h"
#include "output/report_file.h"
#include "output/text_output.h"

namespace corvex {

namespace fs = std::filesystem;

std::string nomeFileEMail() {
    return "e-mail" + workstationNumber() + ".txt";
}

namespace {

bool holdsDate(const std::string& line) {
    auto digit = [&](std::size_t i) { return line[i] >= '0' && line[i] <= '9'; };
    for (std::size_t i = 0; i + 10 <= line.size(); ++i) {
        if (digit(i) && digit(i + 1) && line[i + 2] == '/' && digit(i + 3) && digit(i + 4) &&
            line[i + 5] == '/' && digit(i + 6) && digit(i + 7) && digit(i + 8) && digit(i + 9)) {
            return true;
        }
    }
    return false;
}

std::string collapsed(const std::string& line) {
    std::string out;
    for (char c : line) {
        if (c == '\xE7') continue;  // bold mark
        if (c == ' ' || c == '\t') {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += c;
        }
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

}  // namespace

std::string oggettoEMail(const std::vector<std::string>& reportLines) {
    std::string first;
    // The title and its period stand at the top of every report.
    const std::size_t top = std::min<std::size_t>(reportLines.size(), 12);
    for (std::size_t i = 0; i < top; ++i) {
        const std::string line = collapsed(reportLines[i]);
        if (line.empty()) continue;
        if (holdsDate(line)) return line;
        if (first.empty()) first = line;
    }
    return first.empty() ? "OGGETTO" : first;
}

std::string contenutoEMail(std::string_view oggetto, std::string_view testo) {
    std::string out(oggetto);
    out += "\r\n";
    out += testo;
    out += "\r\n";
    return out;
}

std::string scriviFileEMail(std::string_view testo) {
    const std::string name = nomeFileEMail();
    // The suite's mail program takes the first line "OGGETTO" as the mark of its
    // file; the real subject goes to the desktop's composer only.
    scriviFileSicuro(name, contenutoEMail("OGGETTO", testo));
    return name;
}

const std::vector<std::string>& nomiProgrammaPosta() {
    static const std::vector<std::string> names = {"Mailkv.exe", "Mailkv"};
    return names;
}

std::optional<std::string> trovaProgrammaPosta(const std::string& cartellaProgramma) {
    std::vector<fs::path> folders;
    if (!cartellaProgramma.empty()) folders.emplace_back(cartellaProgramma);
    folders.emplace_back(".");
    const std::string path = envValue("PATH");
    std::size_t start = 0;
    while (start <= path.size()) {
        const auto colon = path.find(':', start);
        const std::string dir =
            path.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!dir.empty()) folders.emplace_back(dir);
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    for (const auto& folder : folders) {
        for (const auto& name : nomiProgrammaPosta()) {
            const fs::path candidate = folder / name;
            std::error_code ec;
            if (fs::is_regular_file(candidate, ec) && ::access(candidate.c_str(), X_OK) == 0) {
                return candidate.string();
            }
        }
    }
    return std::nullopt;
}

}  // namespace corvex
