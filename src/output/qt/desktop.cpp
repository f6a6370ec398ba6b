#include "output/qt/desktop.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include "dialogs/testo_qt.h"
#include "output/mail.h"

namespace corvex::qt {

bool apriFile(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

QString avviaPosta(const std::string& mailFile, const QString& text) {
    const QString folder =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (const auto program = trovaProgrammaPosta(aCp(folder))) {
        if (QProcess::startDetached(daCp(*program), {}, QDir::currentPath())) return {};
    }
    if (QProcess::startDetached(QStringLiteral("xdg-email"),
                                {QStringLiteral("--subject"), QStringLiteral("OGGETTO"),
                                 QStringLiteral("--body"), text})) {
        return {};
    }
    return QStringLiteral(
               "Programma di posta non trovato (Mailkv). Il testo da inviare si trova "
               "nel file %1")
        .arg(QFileInfo(daCp(mailFile)).absoluteFilePath());
}

}  // namespace corvex::qt
