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

// Where the data folder's text files (CamereImp.txt, Parametri.txt, ...) come
// from while a report runs on a server: the reader gives a file's bytes, or
// nullopt when the folder had no such file. readLines and dataFileExists ask
// it while it is set (nullptr: the folder itself).
using DataFileReader = std::optional<std::string> (*)(const std::string& name);
void setDataFileReader(DataFileReader reader);
// Whether a text file of the data folder exists (on the server while a
// reader is set).
bool dataFileExists(const std::string& name);

// A name in path's folder for a file being written before it is renamed to
// path: hidden, unique to this process and call, e.g. ".fd1.4242.7.tmp".
std::string temporaryNameBeside(const std::string& path);
// Removes temporary names of path (as above) left for more than a day by runs
// that were killed; a run in progress on another workstation is never that old.
void removeStaleTemporaries(const std::string& path);

// CamereImp.txt, when the file exists: its first two rooms (lines without a
// UTF-8 byte-order mark, blanks around them and empty lines). A file with
// fewer than two rooms, or whose first room comes after its last in the
// engine's text order (a range selecting no room), throws std::runtime_error
// naming the file and what it holds.
std::optional<std::pair<std::string, std::string>> camereImp();

// The room range every report uses: both fields trimmed, then replaced by
// CamereImp.txt's two rooms when that file exists.
std::pair<std::string, std::string> rangeCamere(const std::string& first, const std::string& last);

// Parametri.txt holds one parameter per line: line k is parameter k (from 1).
// A missing file or a missing line answers an empty text.
std::string LeggiParametri(int k);

}  // namespace corvex
