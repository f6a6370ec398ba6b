// The desktop around the program: opening files with their usual program
// and starting the mail program.
#pragma once

#include <QString>
#include <string>

namespace corvex::qt {

// Opens path with the program the desktop associates with its type. Returns
// false when the desktop could not open it.
bool apriFile(const QString& path);

// Starts the suite's mail program (Mailkv.exe / Mailkv in the program's
// folder, the current directory or PATH) without waiting for it; without
// one, opens the desktop's mail composer with text (xdg-email). Returns an
// empty text on success, else a message telling the user where mailFile is.
QString avviaPosta(const std::string& mailFile, const QString& text);

}  // namespace corvex::qt
