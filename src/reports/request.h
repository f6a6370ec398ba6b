// What a print button (or `corvex report`) hands to a report routine.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvex {

struct ReportRequest {
    std::string dal;  // first date as typed, "dd/mm/yyyy"
    std::string al;   // second date as typed (single-date reports: same as dal)
    // Room range already resolved: trimmed and replaced by CamereImp.txt when
    // that file exists (config_files.h rangeCamere).
    std::string primaCamera;
    std::string ultimaCamera = "ZZZZZZ";
    int contatore = 1;                // accounting counter; 0 = all counters
    std::string tipoDocumento = " ";  // "R", "F" or blank, as typed
    bool soloPrepagamenti = false;
};

// The accounting counter typed by the user: a whole number from 0 (all
// counters) to 32767, as the suite's 16-bit field holds it; nullopt for
// anything else. The one check for the desk, the command line and the takings
// register's own question.
std::optional<int> contatoreValido(const std::string& typed);

// What a finished report tells its caller besides the report file.
struct ReportResult {
    // Continue-on-error reports: one line per skipped statement or record
    // (the command line exits 3 and prints them; the desk shows them).
    std::vector<std::string> skipped;
};

}  // namespace corvex
