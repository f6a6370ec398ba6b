#include "desk/cartella_dati.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QIcon>
#include <QMessageBox>
#include <QSettings>

#include <cstdlib>
#include <system_error>
#include "desk/server_desk.h"

namespace corvex::desk {

namespace fs = std::filesystem;

namespace {

const QString chiave = QStringLiteral("cartellaDati");

bool isDirectory(const fs::path& p) {
    std::error_code ec;
    return !p.empty() && fs::is_directory(p, ec);
}

QString mostra(const fs::path& p) {
    return QDir::toNativeSeparators(QFile::decodeName(p.c_str()));
}

// The folder dialog; a folder without the hotel's databases is taken only
// after the user confirms it (the desk would create IdS.mdb there).
std::optional<fs::path> chiediConDialogo(const fs::path& inizio) {
    fs::path start = inizio;
    for (;;) {
        const QString scelta = QFileDialog::getExistingDirectory(
            nullptr, QStringLiteral("Corvex: scegli la cartella dati dell'hotel"), mostra(start));
        if (scelta.isEmpty()) return std::nullopt;
        const fs::path cartella(QFile::encodeName(scelta).toStdString());
        if (eCartellaDati(cartella)) return cartella;
        const auto risposta = QMessageBox::question(
            nullptr, QStringLiteral("Corvex"),
            QStringLiteral("La cartella %1 non contiene Scheda_Cliente.mdb né IdS.mdb: non "
                           "sembra la cartella dati dell'hotel.\nUsarla comunque?")
                .arg(mostra(cartella)));
        if (risposta == QMessageBox::Yes) return cartella;
        start = cartella;
    }
}

}  // namespace

bool eCartellaDati(const fs::path& dir) {
    std::error_code ec;
    return fs::is_regular_file(dir / "Scheda_Cliente.mdb", ec) ||
           fs::is_regular_file(dir / "IdS.mdb", ec);
}

SceltaCartella DecidiCartella(const fs::path& corrente, const fs::path& ricordata,
                              bool sceltaRichiesta) {
    if (!sceltaRichiesta) {
        if (eCartellaDati(corrente)) return {corrente, false};
        if (!ricordata.empty() && eCartellaDati(ricordata)) return {ricordata, false};
    }
    return {isDirectory(ricordata) ? ricordata : corrente, true};
}

bool EntraNellaCartellaDati(QSettings& impostazioni, bool sceltaRichiesta,
                            const ChiediCartella& chiedi) {
    std::error_code ec;
    const fs::path corrente = fs::current_path(ec);
    const fs::path ricordata(
        QFile::encodeName(impostazioni.value(chiave).toString()).toStdString());
    SceltaCartella scelta = DecidiCartella(corrente, ricordata, sceltaRichiesta);
    for (;;) {
        if (scelta.chiedere) {
            const auto risposta = chiedi(scelta.cartella);
            if (!risposta) return false;
            scelta.cartella = *risposta;
        }
        fs::current_path(scelta.cartella, ec);
        if (!ec) break;
        QMessageBox::warning(
            nullptr, QStringLiteral("Corvex"),
            QStringLiteral("Impossibile aprire la cartella %1: %2")
                .arg(mostra(scelta.cartella), QString::fromStdString(ec.message())));
        scelta.chiedere = true;
    }
    if (scelta.chiedere) {
        impostazioni.setValue(chiave, QFile::decodeName(scelta.cartella.c_str()));
        impostazioni.sync();
    }
    return true;
}

bool EntraNellaCartellaDati() {
    // On Wayland the window finds its menu entry (name and icon) by this id.
    const QString appId = QStringLiteral("org.corvex.Corvex");
    QGuiApplication::setDesktopFileName(appId);
    // Installed, the icon theme holds the menu entry's icon: the windows show it too.
    if (QIcon::hasThemeIcon(appId)) QApplication::setWindowIcon(QIcon::fromTheme(appId));
    QSettings impostazioni(QStringLiteral("corvex"), QStringLiteral("corvex"));
    const char* scegli = std::getenv("CORVEX_CHOOSE_FOLDER");
    const bool sceltaRichiesta = scegli != nullptr && *scegli != '\0' && *scegli != '0';
    ApplicaServer(impostazioni);
    return EntraNellaCartellaDati(impostazioni, sceltaRichiesta, chiediConDialogo);
}

}  // namespace corvex::desk
