// The mail file handed to the suite's mail program (InviaEMail).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvex {

// "e-mail" + workstation number + ".txt".
std::string nomeFileEMail();

// The subject of a report's mail: its title line, the first line that holds
// a date (the period), blanks collapsed and bold marks dropped; else its
// first line that is not blank; "OGGETTO" for an empty report. Code page 1252.
std::string oggettoEMail(const std::vector<std::string>& reportLines);

// The mail file's content: the subject line, the text as shown (its lines
// already end with CRLF) and one more CRLF.
std::string contenutoEMail(std::string_view oggetto, std::string_view testo);

// Writes contenutoEMail into nomeFileEMail() in the current directory
// (replacing it) with the first line "OGGETTO" the suite's mail program
// expects, and returns the file name. Throws std::runtime_error naming the file when it cannot be
// written.
std::string scriviFileEMail(std::string_view testo);

// The names the suite's mail program goes by.
const std::vector<std::string>& nomiProgrammaPosta();

// Finds the mail program as a process start would: the program's own folder,
// then the current directory, then every folder of PATH; under each name of
// nomiProgrammaPosta(). Returns the executable's path, or nullopt.
std::optional<std::string> trovaProgrammaPosta(const std::string& cartellaProgramma);

}  // namespace corvex
