#include "output/mail.h"

#include <unistd.h>

#include <filesystem>

#include "common/environment.h"
#include "output/text_output.h"

namespace corvex {

namespace fs = std::filesystem;

std::string nomeFileEMail() {
    return "e-mail" + workstationNumber() + ".txt";
}

std::string contenutoEMail(std::string_view testo) {
    std::string out = "OGGETTO\r\n";
    out += testo;
    out += "\r\n";
    return out;
}

std::string scriviFileEMail(std::string_view testo) {
    const std::string name = nomeFileEMail();
    scriviFileSicuro(name, contenutoEMail(testo));
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
