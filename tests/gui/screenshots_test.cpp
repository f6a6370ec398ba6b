// Renders the main windows from the demo hotel's data. With the environment
// variable CORVEX_SCREENSHOTS set to a folder, the pictures are written there
// (docs/screenshots/ of the repository is made this way).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <cstdlib>
#include <filesystem>

#include "demo/demo.h"
#include "desk/isdesktop.h"
#include "output/qt/anteprima.h"
#include "output/qt/menu_stampa.h"
#include "settings/qt/isimpostazioni.h"
#include "support/data_folder.h"

namespace corvex::qt {
namespace {

// A page of the period summary as the demo hotel prints it.
std::string sampleReport() {
    std::string s;
    auto line = [&](const std::string& l) { s += l + "\r\n"; };
    line("\xE7" "Hotel Demo - Riepilogo imposte maturate nel periodo\xE7");
    line("Dal 01/12/2025 al 31/12/2025         Camere da 101 a ZZZZZZ");
    line("");
    line("Data        Presenze   Esenti   Imposta maturata   Imposta addebitata");
    line("----------------------------------------------------------------------");
    for (int d = 1; d <= 31; ++d) {
        char buf[128];
        std::snprintf(buf, sizeof buf, "%02d/12/2025   %8d %8d %18s %20s", d, 40 + d % 7, d % 3,
                      (std::to_string(80 + d % 7 * 2) + ",00").c_str(),
                      (std::to_string(78 + d % 5 * 2) + ",00").c_str());
        line(buf);
    }
    line("----------------------------------------------------------------------");
    line("\xE7Totale\xE7       1.457       31           2.604,00             2.542,00");
    return s;
}

void save(QWidget& w, const char* name) {
    w.resize(w.sizeHint().expandedTo(w.size()));
    w.show();
    QCoreApplication::processEvents();
    const QPixmap picture = w.grab();
    EXPECT_FALSE(picture.isNull()) << name;
    EXPECT_GT(picture.width(), 200) << name;
    if (const char* dir = std::getenv("CORVEX_SCREENSHOTS")) {
        QDir().mkpath(QString::fromUtf8(dir));
        EXPECT_TRUE(picture.save(QDir(QString::fromUtf8(dir)).filePath(QString::fromUtf8(name))));
    }
    w.hide();
}

TEST(Screenshots, DeskMenuPreviewAndSettingsFromTheDemoHotel) {
    test::TempDataFolder dir;
    demo::generate(dir.path(), {demo::Size::Small, 1});
    ::setenv("CORVEX_NOW", "31/12/2025 18:00", 1);
    ::setenv("PCLocal", "1", 1);
    dir.writeFile("fd1", sampleReport());

    desk::ISDeskTop desk;
    save(desk, "desk.png");

    ServiziMenuStampa services = serviziMenuStampa();
    services.stampanti = [] { return QStringList{QStringLiteral("HP_LaserJet_Ufficio")}; };
    MenuStampa menu(nullptr, services);
    save(menu, "print-menu.png");

    Anteprima preview;
    preview.resize(760, 560);
    save(preview, "preview.png");

    ISImpostazioni editor;
    save(editor, "settings.png");
}

}  // namespace
}  // namespace corvex::qt
