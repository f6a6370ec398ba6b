#include "desk/desk_main.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <exception>

#include "desk/aggiornamento_copie.h"
#include "desk/cartella_dati.h"
#include "desk/isdesktop.h"
#include "dialogs/dialoghi.h"
#include "settings/store.h"

namespace corvex::desk {

int run(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvex"));
    // Standard buttons, context menus and file dialogs in Italian, as the
    // rest of the desk.
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    qt::CaricaTraduzioniQt(app);
    if (!EntraNellaCartellaDati()) return 0;  // no data folder chosen
    try {
        CaricaImpostazioni();
    } catch (const std::exception& e) {
        qt::MostraMessaggio(std::string("Impossibile preparare IdS.mdb: ") + e.what(),
                            "Controllo Imposta di soggiorno");
        return 1;
    }
    ISDeskTop desk;
    // The copies of the suite's files are brought up to date while the desk
    // is open, so a report rarely waits for one.
    new AggiornamentoCopie(&desk, QDir::currentPath());
    desk.show();
    return QApplication::exec();
}

}  // namespace corvex::desk
