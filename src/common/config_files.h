// Small configuration files of the data folder.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace corvex {

// All lines of a text file (code page 1252 bytes, line ends removed), or
// nullopt when the file does not exist or cannot be read.
std::optional<std::vector<std::string>> readLines(const std::string& path);
bool fileExists(const std::string& path);

// CamereImp.txt: its first two lines, as they stand, when the file exists.
std::optional<std::pair<std::string, std::string>> camereImp();

// The room range every report uses: both fields trimmed, then replaced by
// CamereImp.txt's two lines when that file exists.
std::pair<std::string, std::string> rangeCamere(const std::string& first, const std::string& last);

// Parametri.txt holds one parameter per line: line k is parameter k (from 1).
// A missing file or a missing line answers an empty text.
std::string LeggiParametri(int k);

}  // namespace corvex
