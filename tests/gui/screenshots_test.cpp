// Renders the main windows from the demo hotel's data. With the environment
// variable CORVEX_SCREENSHOTS set to a folder, the pictures are written there
// (docs/screenshots/ of the repository is made this way).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProcess>
#include <QTabWidget>
#include <QTableWidget>
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
#include "output/righe_vista.h"
#include "reports/catalog.h"
#include "reports/filings/qt/andamento.h"
#include "settings/qt/isimpostazioni.h"
#include "settings/qt/versamenti.h"
#include "support/data_folder.h"
#include "support/fake_io.h"

namespace corvex::qt {
namespace {

// The demo hotel's period summary for December; a report that fails fails
// the test rather than leaving a made-up page to photograph.
void writeReport() {
    ReportRequest r;
    r.dal = "01/12/2025";
    r.al = "31/12/2025";
    test::FakeIo io;
    ASSERT_NO_THROW(findReport("summary")->run(r, io));
    ASSERT_EQ(io.printMenus, 1);
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
    ASSERT_NO_FATAL_FAILURE(writeReport());

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
    editor.pagine()->setCurrentIndex(1);
    save(editor, "settings-structure.png");

    FinestraVersamenti payments;
    EXPECT_GT(payments.tabella()->rowCount(), 0);  // the demo's payments of the year
    save(payments, "remittances.png");
}

// The monthly charts on the demo hotel's whole year (with its quarterly
// payments, one of them short).
TEST(Screenshots, TrendOfTheDemoHotelsYear) {
    test::TempDataFolder dir;
    demo::generate(dir.path(), {demo::Size::Hotel, 1});
    ::setenv("CORVEX_NOW", "31/12/2025 18:00", 1);
    FinestraAndamento trend;
    EXPECT_TRUE(trend.messaggio()->isHidden()) << trend.messaggio()->text().toStdString();
    trend.resize(900, 720);
    save(trend, "trend.png");
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
    ASSERT_NO_FATAL_FAILURE(writeReport());
    RichiestaUscita r;
    r.pdf = "demo.pdf";
    eseguiUscita(r, {renderStampante, {}});
    QProcess p;
    p.start(QStringLiteral("pdftotext"),
            {QStringLiteral("-layout"), QStringLiteral("demo.pdf"), QStringLiteral("-")});
    ASSERT_TRUE(p.waitForFinished(20000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    int found = 0, checked = 0;
    for (const auto& line : righeVista(readReportLines("fd1"))) {
        const QString t = QString::fromStdString(cp1252ToUtf8(line)).trimmed();
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
