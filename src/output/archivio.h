// The time-stamped archive copy of the report file in the folder "doc".
#pragma once

#include <string>

namespace corvex {

// "doc/fd" + workstation number + yyyymmddhhmm + ".txt": the copy is the
// report's code page 1252 text, so it opens as text, never as a word
// processor's document.
std::string nomeCopiaArchivio();

struct CopiaArchivio {
    std::string nome;    // the copy made; empty when none was made
    std::string errore;  // why not (UTF-8); empty when made or when there is no report file
};

// Creates "doc" when missing and copies the report file there under
// nomeCopiaArchivio(). A copy of the same minute is never replaced: the next
// free name "-2", "-3"... before the extension is taken instead.
CopiaArchivio creaCopiaArchivio();

// Where a PDF of the report goes: device itself when it names a .pdf file,
// else the archive copy's name with ".pdf" in place of its extension (or
// the report file's name + ".pdf" without an archive copy).
std::string percorsoPDF(const std::string& device, const std::string& archiveCopy);

}  // namespace corvex
