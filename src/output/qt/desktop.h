// The desktop around the program: opening files with their usual program
// and starting the mail program. Helper programs run without blocking the
// window; their exit status is watched, and a helper that cannot start or
// ends with an error is reported with the file to use by hand.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <string>

namespace corvex::qt {

// Told when a helper program failed; problem is a sentence for the user.
using FallimentoAiuto = std::function<void(const QString& problem)>;

// Starts program with args in the current directory without waiting for it.
// When it cannot start, crashes or exits with a code other than 0, calls
// onFailure with a message naming the program and file (the file the user
// can open by hand), as "… il file si trova in /path".
void avviaAiuto(const QString& program, const QStringList& args, const QString& file,
                FallimentoAiuto onFailure);

// Opens path with the program the desktop associates with its type
// (xdg-open), reporting a failure as avviaAiuto does.
void apriFile(const QString& path, FallimentoAiuto onFailure);

// Starts the suite's mail program (Mailkv.exe / Mailkv in the program's
// folder, the current directory or PATH); without one, the desktop's mail
// composer (xdg-email) with the report's title as subject and the mail file
// attached. Returns an empty text when a program started (a later failure
// goes to onFailure, by default a message box), else a message telling the
// user where mailFile is.
QString avviaPostaCon(const std::string& mailFile, const QString& text, FallimentoAiuto onFailure);
QString avviaPosta(const std::string& mailFile, const QString& text);

}  // namespace corvex::qt
