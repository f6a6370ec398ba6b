// The time-stamped archive copy of the report file in the folder "doc".
#pragma once

#include <string>

namespace corvex {

// "doc/fd" + workstation number + yyyymmddhhmm + ".doc".
std::string nomeCopiaArchivio();

// Creates "doc" when missing and copies the report file there under
// nomeCopiaArchivio(). Returns the copy's name, or an empty text when the
// report file is missing or the copy fails (the print menu goes on without).
std::string creaCopiaArchivio();

// Where a PDF of the report goes: device itself when it names a .pdf file,
// else the archive copy's name with ".pdf" in place of its extension (or
// the report file's name + ".pdf" without an archive copy).
std::string percorsoPDF(const std::string& device, const std::string& archiveCopy);

}  // namespace corvex
