// The mail file handed to the suite's mail program (InviaEMail).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvex {

// "e-mail" + workstation number + ".txt".
std::string nomeFileEMail();

// The mail file's content: "OGGETTO", the text as shown (its lines already
// end with CRLF) and one more CRLF.
std::string contenutoEMail(std::string_view testo);

// Writes contenutoEMail(testo) into nomeFileEMail() in the current directory
// (replacing it) and returns the file name. Throws std::runtime_error naming
// the file when it cannot be written.
std::string scriviFileEMail(std::string_view testo);

// The names the suite's mail program goes by.
const std::vector<std::string>& nomiProgrammaPosta();

// Finds the mail program as a process start would: the program's own folder,
// then the current directory, then every folder of PATH; under each name of
// nomiProgrammaPosta(). Returns the executable's path, or nullopt.
std::optional<std::string> trovaProgrammaPosta(const std::string& cartellaProgramma);

}  // namespace corvex
