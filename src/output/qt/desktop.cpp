#include "output/qt/desktop.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>

#include "common/environment.h"
#include "dialogs/testo_qt.h"
#include "output/mail.h"
#include "output/report_file.h"

namespace corvex::qt {

namespace {

QString fullPath(const QString& file) {
    return QFileInfo(file).absoluteFilePath();
}

void messageBox(const QString& problem) {
    QMessageBox::warning(QApplication::activeWindow(), QStringLiteral("Stampa"), problem);
}

}  // namespace

void avviaAiuto(const QString& program, const QStringList& args, const QString& file,
                FallimentoAiuto onFailure) {
    // Parented to the application, not to a window: closing the window must
    // not end a viewer that is still open.
    auto* process = new QProcess(QCoreApplication::instance());
    process->setWorkingDirectory(QDir::currentPath());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    const QString where = fullPath(file);
    auto fail = [onFailure, program, where](const QString& why) {
        if (onFailure) {
            onFailure(QStringLiteral("%1 %2: il file si trova in %3").arg(program, why, where));
        }
    };
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, fail](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart) return;
                         fail(QStringLiteral("non si avvia"));
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::finished, process,
                     [process, fail](int code, QProcess::ExitStatus status) {
                         if (status != QProcess::NormalExit) {
                             fail(QStringLiteral("si è interrotto"));
                         } else if (code != 0) {
                             fail(QStringLiteral("è terminato con errore (codice %1)").arg(code));
                         }
                         process->deleteLater();
                     });
    process->start(program, args);
}

void apriFile(const QString& path, FallimentoAiuto onFailure) {
    avviaAiuto(QStringLiteral("xdg-open"), {fullPath(path)}, path, std::move(onFailure));
}

QString avviaPostaCon(const std::string& mailFile, const QString& text, FallimentoAiuto onFailure) {
    (void)text;  // the text travels in the mail file
    const QString file = daCp(mailFile);
    const QString folder =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (const auto program = trovaProgrammaPosta(aCp(folder))) {
        avviaAiuto(daCp(*program), {}, file, std::move(onFailure));
        return {};
    }
    if (!QStandardPaths::findExecutable(QStringLiteral("xdg-email")).isEmpty()) {
        const QString subject = daCp(oggettoEMail(readReportLines(reportFileName())));
        avviaAiuto(QStringLiteral("xdg-email"),
                   {QStringLiteral("--subject"), subject, QStringLiteral("--body"),
                    QStringLiteral("In allegato: %1").arg(subject), QStringLiteral("--attach"),
                    fullPath(file)},
                   file, std::move(onFailure));
        return {};
    }
    return QStringLiteral(
               "Programma di posta non trovato (Mailkv, xdg-email). Il testo da inviare si trova "
               "nel file %1")
        .arg(fullPath(file));
}

QString avviaPosta(const std::string& mailFile, const QString& text) {
    return avviaPostaCon(mailFile, text, messageBox);
}

}  // namespace corvex::qt
