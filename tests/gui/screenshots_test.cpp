// Renders the main windows from the demo hotel's data. With the environment
// variable CORVEX_SCREENSHOTS set to a folder, the pictures are written there
// (docs/screenshots/ of the repository is made this way).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QProcess>
#include <QTest>
#include <QWidget>
#include <cstdlib>
#include <filesystem>

#include "common/text.h"
#include "demo/demo.h"
#include "desk/isdesktop.h"
#include "output/headless.h"
#include "output/qt/anteprima.h"
#include "output/qt/menu_stampa.h"
#include "output/qt/printer_output.h"
#include "output/report_file.h"
#include "reports/catalog.h"
#include "settings/qt/isimpostazioni.h"
#include "support/data_folder.h"

namespace corvex::qt {
namespace {

// A page of the period summary as the demo hotel prints it.
std::string sampleReport() {
    std::string s;
    auto line = [&](const std::string& l) { s += l + "\r\n"; };
    line(
        "\xE7"
        "Hotel Demo - Riepilogo imposte maturate nel periodo\xE7");
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

class Silent : public Interaction {
  public:
    std::optional<std::string> ask(const std::string&, const std::string&,
                                   const std::string& def) override {
        return def;
    }
    bool confirm(const std::string&, const std::string&, bool def) override { return def; }
    void warn(const std::string&, const std::string&) override {}
    void showPrintMenu() override {}
};

// The demo hotel's period summary for December, or the sample page while
// that report is not built.
void writeReport(test::TempDataFolder& dir) {
    try {
        ReportRequest r;
        r.dal = "01/12/2025";
        r.al = "31/12/2025";
        Silent io;
        findReport("summary")->run(r, io);
    } catch (const std::exception&) {
        dir.writeFile("fd1", sampleReport());
    }
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
    writeReport(dir);

    desk::ISDeskTop desk;
    // The focus ring where date, Enter, date, Enter leaves it.
    desk.show();
    desk.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&desk));
    desk.Text1(8)->setFocus();
    QTest::keyClick(desk.Text1(8), Qt::Key_Return);
    QTest::keyClick(desk.Text1(9), Qt::Key_Return);
    save(desk, "desk.png");

    ServiziMenuStampa services = serviziMenuStampa();
    services.stampanti = [] { return QStringList{QStringLiteral("HP_LaserJet_Ufficio")}; };
    MenuStampa menu(nullptr, services);
    save(menu, "print-menu.png");

    Anteprima preview;
    preview.resize(920, 560);
    preview.ricerca()->setText(QStringLiteral("12/2025"));
    preview.cerca();
    save(preview, "preview.png");

    ISImpostazioni editor;
    save(editor, "settings.png");
}

TEST(DemoReportPdf, HoldsTheReportLines) {
    if (QProcess::execute(
            QStringLiteral("sh"),
            {QStringLiteral("-c"), QStringLiteral("command -v pdftotext >/dev/null")}) != 0) {
        GTEST_SKIP() << "pdftotext not installed";
    }
    test::TempDataFolder dir;
    demo::generate(dir.path(), {demo::Size::Small, 1});
    ::setenv("CORVEX_NOW", "31/12/2025 18:00", 1);
    ::setenv("PCLocal", "1", 1);
    writeReport(dir);
    RichiestaUscita r;
    r.pdf = "demo.pdf";
    eseguiUscita(r, renderStampante);
    QProcess p;
    p.start(QStringLiteral("pdftotext"),
            {QStringLiteral("-layout"), QStringLiteral("demo.pdf"), QStringLiteral("-")});
    ASSERT_TRUE(p.waitForFinished(20000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    int found = 0, checked = 0;
    for (const auto& line : readReportLines("fd1")) {
        const QString t = QString::fromStdString(cp1252ToUtf8(PulisciRiga(line))).trimmed();
        if (t.isEmpty()) continue;
        ++checked;
        // pdftotext may widen runs of blanks; compare the words.
        found += text.simplified().contains(t.simplified());
    }
    EXPECT_GT(checked, 5);
    EXPECT_EQ(found, checked);
}

}  // namespace
}  // namespace corvex::qt
