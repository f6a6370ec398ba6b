#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <filesystem>

#include "output/mail.h"
#include "output/qt/anteprima.h"
#include "output/qt/desktop.h"
#include "output/qt/menu_stampa.h"
#include "output/qt/printer_output.h"
#include "support/data_folder.h"

namespace corvex::qt {
namespace {

using test::insertRow;
using test::TempDataFolder;

std::string report(int lines, std::size_t width) {
    std::string s;
    for (int i = 0; i < lines; ++i) {
        std::string l = std::to_string(i);
        l.resize(width, 'x');
        s += l + "\r\n";
    }
    return s;
}

int shownLines(const Anteprima& a) {
    // The text ends with a line end, so the last block is empty.
    return a.testo()->blockCount() - 1;
}

class OutputWindows : public ::testing::Test {
  protected:
    void SetUp() override { ::setenv("PCLocal", "1", 1); }
    TempDataFolder dir;
};

TEST_F(OutputWindows, PreviewPagesThreeHundredLines) {
    dir.writeFile("fd1", report(300, 100));
    Anteprima a(nullptr, [](const std::string&, const QString&) { return QString(); });
    ASSERT_TRUE(a.fileTrovato());
    EXPECT_EQ(a.windowTitle(), QStringLiteral("Anteprima di Stampa"));
    EXPECT_EQ(shownLines(a), 200);
    a.tasto(3)->click();  // Avanti
    EXPECT_EQ(shownLines(a), 100);
    EXPECT_TRUE(a.testo()->toPlainText().startsWith(QStringLiteral("200x")));
    a.tasto(4)->click();  // Inizio: the larger limit
    EXPECT_EQ(shownLines(a), 260);
}

TEST_F(OutputWindows, PreviewOfFiftyLinesIsOneBlock) {
    dir.writeFile("fd1", report(50, 100));
    Anteprima a(nullptr, [](const std::string&, const QString&) { return QString(); });
    EXPECT_EQ(shownLines(a), 50);
    EXPECT_FALSE(a.blocco().altro);
    a.tasto(3)->click();
    EXPECT_EQ(shownLines(a), 50);
    for (int i = 0; i < 20; ++i) a.tasto(1)->click();  // Riduci stops at 1 point
    EXPECT_EQ(a.testo()->font().pointSizeF(), 1.0);
    a.tasto(2)->click();
    EXPECT_EQ(a.testo()->font().pointSizeF(), 2.0);
}

TEST_F(OutputWindows, PreviewSaveOfALaterBlockKeepsTheRest) {
    std::string text = report(300, 100);
    text.replace(0, 1, "\xE7");  // a bold mark on the first line, hidden by the preview
    dir.writeFile("fd1", text);
    Anteprima a(nullptr, [](const std::string&, const QString&) { return QString(); });
    a.tasto(3)->click();
    QString shown = a.testo()->toPlainText();
    shown.replace(QStringLiteral("250x"), QStringLiteral("250y"));
    a.testo()->setPlainText(shown);
    a.tasto(6)->click();  // Salva
    std::string expected = text;
    expected.replace(expected.find("250x"), 4, "250y");
    EXPECT_EQ(dir.readFile("fd1"), expected);
}

TEST_F(OutputWindows, PreviewWithoutReportCloses) {
    Anteprima a(nullptr, [](const std::string&, const QString&) { return QString(); });
    EXPECT_FALSE(a.fileTrovato());
    EXPECT_EQ(a.exec(), QDialog::Rejected);
}

TEST_F(OutputWindows, PreviewMailWritesTheMailFileAndStartsTheProgram) {
    dir.writeFile("fd1", "uno\r\ndue\r\n");
    std::string started;
    Anteprima a(nullptr, [&](const std::string& file, const QString&) {
        started = file;
        return QString();
    });
    a.tasto(5)->click();
    EXPECT_EQ(started, "e-mail1.txt");
    // The suite's mail program finds its mark "OGGETTO" on the first line.
    EXPECT_EQ(dir.readFile("e-mail1.txt"), "OGGETTO\r\nuno\r\ndue\r\n\r\n");
}

struct MenuRecorder {
    std::vector<QString> opened, messages;
    std::vector<std::pair<ConfigStampa, std::string>> renders;
    std::vector<std::string> raws;
    QStringList printers;
    bool openerFails = false;  // the program that opens files exits with an error
    PaginaScelta page;         // what the renderer reports

    ServiziMenuStampa servizi() {
        ServiziMenuStampa s;
        s.apri = [this](const QString& p, const FallimentoAiuto& onFailure) {
            opened.push_back(p);
            if (openerFails) onFailure(QStringLiteral("xdg-open non riuscito: ") + p);
        };
        s.messaggio = [this](const QString& t) { messages.push_back(t); };
        s.anteprima = [](QWidget*) {};
        s.stampanti = [this] { return printers; };
        s.uscita.render = [this](const ConfigStampa& c, const std::vector<std::string>&,
                                 const std::string& pdf) {
            renders.emplace_back(c, pdf);
            return page;
        };
        s.uscita.raw = [this](const std::string& device, const std::string& bytes,
                              const std::string&) {
            raws.push_back(device + ":" + bytes);
            return std::string("ok");
        };
        return s;
    }
};

void destinations(std::initializer_list<const char*> names) {
    int n = 0;
    for (const char* name : names) {
        insertRow("Stampanti.mdb", "Stampanti",
                  {{"NumeroHotel", 1},
                   {"Destinazione", name},
                   {"Linea", std::string("dev") + std::to_string(++n)},
                   {"TipoStampa", "1"}});
    }
    insertRow("Stampanti.mdb", "SetStampa",
              {{"TipoStampa", 1}, {"Compresso", "  8  0  0  0  0  1 10"}, {"Grassetto", ""}});
}

TEST_F(OutputWindows, MenuListsDestinationsPrintersAndMakesTheArchiveCopy) {
    ::setenv("CORVEX_NOW", "07/12/2026 09:05", 1);
    dir.writeFile("fd1", "riga\r\n");
    destinations({"Laser", "PDF ufficio"});
    MenuRecorder rec;
    MenuStampa menu(nullptr, rec.servizi());
    EXPECT_EQ(menu.windowTitle(), QStringLiteral("Stampe non modificabili"));
    ASSERT_EQ(menu.combo1()->count(), 2);
    EXPECT_EQ(menu.combo1()->currentText(), QStringLiteral("Laser"));
    ASSERT_EQ(menu.combo2()->count(), 1);
    EXPECT_EQ(menu.combo2()->itemText(0), QStringLiteral("<nessuna stampante>"));
    EXPECT_EQ(menu.combo2()->currentText(), QString());
    EXPECT_FALSE(menu.compressa()->isChecked());
    EXPECT_EQ(menu.copiaArchivio(), "doc/fd1202612070905.txt");
    EXPECT_EQ(dir.readFile("doc/fd1202612070905.txt"), "riga\r\n");
    // A second menu in the same minute keeps the first copy.
    MenuStampa again(nullptr, rec.servizi());
    EXPECT_EQ(again.copiaArchivio(), "doc/fd1202612070905-2.txt");
    for (int i = 0; i < 6; ++i) {
        EXPECT_FALSE(menu.tasto(i)->icon().isNull()) << i;
        EXPECT_FALSE(menu.tasto(i)->toolTip().isEmpty()) << i;
        EXPECT_FALSE(menu.tasto(i)->accessibleName().isEmpty()) << i;
    }
    // After the preview the list shows its first entry again.
    menu.combo1()->setCurrentIndex(1);
    menu.Tst(4);
    EXPECT_EQ(menu.combo1()->currentIndex(), 0);
    // Printing in printer mode goes through the renderer to the device.
    menu.Tst(3);
    ASSERT_EQ(rec.renders.size(), 1u);
    EXPECT_EQ(rec.renders[0].first.dispositivo, "dev1");
    EXPECT_EQ(rec.renders[0].second, "");
    EXPECT_EQ(menu.stato()->text(), QStringLiteral("Stampa: Laser inviata alla stampante dev1"));
    menu.combo2()->setEditText(QStringLiteral("  HP  "));
    rec.page = {true, true, 8.5, 141};
    menu.Tst(3);
    EXPECT_EQ(rec.renders[1].first.dispositivo, "HP");
    // The page changed to fit the widest line: the status line says how.
    EXPECT_TRUE(menu.stato()->text().contains(
        QStringLiteral("la riga più larga (141 caratteri) non entrava nella pagina: stampa "
                       "orizzontale con carattere di 8,5 punti")))
        << menu.stato()->text().toStdString();
}

TEST_F(OutputWindows, PdfButtonTakesTheLastPdfDestination) {
    dir.writeFile("fd1", "riga\r\n");
    destinations({"PDF uno", "Laser", "PDF due", "stampa pdf"});
    MenuRecorder rec;
    MenuStampa menu(nullptr, rec.servizi());
    menu.Tst(2);
    ASSERT_EQ(rec.renders.size(), 1u);
    EXPECT_EQ(rec.renders[0].first.destinazione, "PDF due");
    EXPECT_TRUE(rec.renders[0].first.modoStampante);
    // Beside the archive copy, told and opened.
    const std::string pdf =
        std::filesystem::path(menu.copiaArchivio()).replace_extension(".pdf").string();
    EXPECT_EQ(rec.renders[0].second, pdf);
    const QString full = QString::fromStdString(std::filesystem::absolute(pdf).string());
    EXPECT_EQ(menu.stato()->text(), QStringLiteral("PDF: ") + full);
    ASSERT_EQ(rec.opened.size(), 1u);
    EXPECT_EQ(rec.opened[0], full);

    // A viewer that exits with an error is told with the file to open by hand.
    rec.openerFails = true;
    menu.Tst(2);
    ASSERT_EQ(rec.messages.size(), 1u);
    EXPECT_TRUE(rec.messages[0].contains(full));
    EXPECT_EQ(menu.stato()->text(), rec.messages[0]);
}

TEST_F(OutputWindows, PdfButtonWithoutPdfDestinationUsesTheDefaultsAsTheCommandLine) {
    dir.writeFile("fd1", "riga\r\n");
    destinations({"Laser", "stampa pdf"});
    MenuRecorder rec;
    MenuStampa menu(nullptr, rec.servizi());
    menu.Tst(2);
    ASSERT_EQ(rec.renders.size(), 1u);
    EXPECT_EQ(rec.renders[0].first.destinazione, "");
    EXPECT_EQ(rec.renders[0].first.dimensioneCorpo, 10);
    EXPECT_TRUE(rec.messages.empty());
    EXPECT_TRUE(menu.stato()->text().startsWith(QStringLiteral("Nessuna stampante PDF impostata")));
}

TEST_F(OutputWindows, EveryOutputRefusesAMissingReportFileAlike) {
    insertRow(
        "Stampanti.mdb", "Stampanti",
        {{"NumeroHotel", 1}, {"Destinazione", "Aghi"}, {"Linea", "aghi.prn"}, {"TipoStampa", "2"}});
    MenuRecorder rec;
    MenuStampa menu(nullptr, rec.servizi());
    for (int button : {1, 2, 3}) menu.Tst(button);
    EXPECT_TRUE(rec.raws.empty());  // no start sequence sent alone
    EXPECT_TRUE(rec.renders.empty());
    EXPECT_FALSE(dir.exists("fd1.csv"));
    ASSERT_EQ(rec.messages.size(), 3u);
    for (const auto& m : rec.messages) EXPECT_TRUE(m.contains(QStringLiteral("fd1 non esiste")));
}

TEST_F(OutputWindows, MenuWithoutDestinationsStaysOpenAndSaysSo) {
    dir.writeFile("fd1", "a | b\r\n");
    MenuRecorder rec;
    rec.printers = {QStringLiteral("HP_Ufficio")};
    MenuStampa menu(nullptr, rec.servizi());
    menu.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(menu.isVisible());
    EXPECT_EQ(menu.combo1()->count(), 0);
    EXPECT_TRUE(menu.stato()->text().contains(QStringLiteral("Nessuna destinazione")));
    EXPECT_FALSE(menu.tasto(3)->isEnabled());
    EXPECT_EQ(menu.combo2()->itemText(0), QStringLiteral("HP_Ufficio"));
    // CSV and archive copy still work.
    menu.Tst(1);
    EXPECT_EQ(dir.readFile("fd1.csv"), "a , b\r\n");
    EXPECT_TRUE(menu.stato()->text().startsWith(QStringLiteral("CSV: /")));
    EXPECT_TRUE(menu.stato()->text().endsWith(QStringLiteral("/fd1.csv")));
    menu.Tst(0);
    ASSERT_EQ(rec.opened.size(), 2u);
    EXPECT_TRUE(rec.opened[0].endsWith(QStringLiteral("/fd1.csv")));
    EXPECT_TRUE(rec.opened[1].contains(QStringLiteral("/doc/fd1")));
    menu.Tst(5);
    EXPECT_FALSE(menu.isVisible());
}

// The XLSX button shows only for a report that offered its sheet, and
// writes that sheet beside the CSV.
TEST_F(OutputWindows, XlsxButtonOnlyWithTheReportsSheet) {
    dir.writeFile("fd1", "riga\r\n");
    MenuRecorder rec;
    {
        MenuStampa menu(nullptr, rec.servizi());
        menu.show();
        EXPECT_FALSE(menu.tasto(6)->isVisible());
    }
    xlsx::Foglio f;
    f.righe = {{xlsx::Cella::intero(7)}};
    MenuStampa menu(nullptr, rec.servizi(), &f);
    menu.show();
    EXPECT_TRUE(menu.tasto(6)->isVisible());
    menu.tasto(6)->click();
    EXPECT_TRUE(dir.exists("fd1.xlsx"));
    EXPECT_TRUE(menu.stato()->text().endsWith(QStringLiteral("/fd1.xlsx")));
    ASSERT_EQ(rec.opened.size(), 1u);
    EXPECT_TRUE(rec.opened[0].endsWith(QStringLiteral("/fd1.xlsx")));
}

TEST_F(OutputWindows, RawDestinationGoesToItsDevice) {
    dir.writeFile("fd1", "riga\r\n");
    insertRow(
        "Stampanti.mdb", "Stampanti",
        {{"NumeroHotel", 1}, {"Destinazione", "Aghi"}, {"Linea", "aghi.prn"}, {"TipoStampa", "2"}});
    MenuRecorder rec;
    MenuStampa menu(nullptr, rec.servizi());
    menu.Tst(3);
    ASSERT_EQ(rec.raws.size(), 1u);
    EXPECT_EQ(rec.raws[0], std::string("aghi.prn:") + std::string(5, '\0') + "riga\r\n\f");
}

bool haveTool(const char* name) {
    return QProcess::execute(
               QStringLiteral("sh"),
               {QStringLiteral("-c"),
                QStringLiteral("command -v %1 >/dev/null").arg(QString::fromUtf8(name))}) == 0;
}

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

TEST_F(OutputWindows, PdfHoldsTheLinesAndABoldFace) {
    if (!haveTool("pdftotext") || !haveTool("pdffonts"))
        GTEST_SKIP() << "poppler-utils not installed";
    ConfigStampa c;
    c.modoStampante = true;
    c.dimensioneApertura = 8;
    c.dimensioneCorpo = 10;
    c.lunghezzaPagina = 60;
    std::vector<std::string> lines;
    for (int i = 1; i <= 70; ++i) lines.push_back("Riga numero " + std::to_string(i));
    lines[2] =
        "Totale \xE7"
        "GRASSETTO\xE7 fine";
    lines[3] = "CITT\xC0";
    renderStampante(c, lines, "out.pdf");
    const QString text =
        run(QStringLiteral("pdftotext"),
            {QStringLiteral("-layout"), QStringLiteral("out.pdf"), QStringLiteral("-")});
    EXPECT_TRUE(text.contains(QStringLiteral("Riga numero 1\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("Riga numero 70")));
    EXPECT_TRUE(text.contains(QStringLiteral("GRASSETTO")));
    EXPECT_TRUE(text.contains(QStringLiteral("CITTÀ")));  // letters stay letters
    EXPECT_EQ(text.count(QLatin1Char('\f')), 2);          // 60 lines per page: two pages
    const QString fonts = run(QStringLiteral("pdffonts"), {QStringLiteral("out.pdf")});
    EXPECT_TRUE(fonts.contains(QStringLiteral("Bold"))) << fonts.toStdString();
}

TEST_F(OutputWindows, AHelperThatExitsWithAnErrorIsToldWithTheFile) {
    dir.writeFile("fd1", "Riepilogo dal 01/03/2025 al 31/03/2025\r\n");
    dir.writeFile("guasto.sh", "#!/bin/sh\nexit 3\n");
    std::filesystem::permissions("guasto.sh", std::filesystem::perms::owner_all);
    struct Case {
        QString program;
        QString told;
    };
    for (const Case& c : {Case{QStringLiteral("./guasto.sh"), QStringLiteral("codice 3")},
                          Case{QStringLiteral("./manca.sh"), QStringLiteral("non si avvia")}}) {
        QString problem;
        avviaAiuto(c.program, {}, QStringLiteral("fd1.csv"),
                   [&](const QString& p) { problem = p; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return !problem.isEmpty(); }, 10000))
            << c.told.toStdString();
        EXPECT_TRUE(problem.contains(c.told)) << problem.toStdString();
        EXPECT_TRUE(problem.endsWith(QDir::current().absoluteFilePath(QStringLiteral("fd1.csv"))))
            << problem.toStdString();
    }

    // The mail composer: the report's title as subject, the mail file
    // attached, and its failure told with the file.
    const QByteArray path = qgetenv("PATH");
    dir.writeFile("xdg-email", "#!/bin/sh\necho \"$@\" > argomenti.txt\nexit 1\n");
    std::filesystem::permissions("xdg-email", std::filesystem::perms::owner_all);
    qputenv("PATH", QDir::currentPath().toUtf8() + ":" + path);
    QString problem;
    const std::string file = scriviFileEMail("testo\r\n");
    EXPECT_EQ(avviaPostaCon(file, QString(), [&](const QString& p) { problem = p; }), QString());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !problem.isEmpty(); }, 10000));
    qputenv("PATH", path);
    EXPECT_TRUE(problem.contains(QDir::current().absoluteFilePath(QStringLiteral("e-mail1.txt"))))
        << problem.toStdString();
    const std::string args = dir.readFile("argomenti.txt");
    EXPECT_NE(args.find("--subject Riepilogo dal 01/03/2025 al 31/03/2025"), std::string::npos)
        << args;
    EXPECT_NE(args.find("--attach /"), std::string::npos) << args;
}

// The widest line of each report, in characters: on paper and in a PDF no
// character may be lost, whatever the report.
TEST_F(OutputWindows, ThePageFitsEveryReportsWidestLine) {
    if (!haveTool("pdftotext")) GTEST_SKIP() << "poppler-utils not installed";
    struct Width {
        const char* report;
        std::size_t chars;
    };
    const Width widths[] = {
        {"guests-present", 63}, {"arrivals", 86},         {"summary", 89},
        {"departures", 78},     {"daily-check", 111},     {"accrued", 109},
        {"fiscal-detail", 141}, {"takings-register", 86}, {"cash-table", 149},
    };
    for (const bool compressed : {false, true}) {
        for (const Width& w : widths) {
            ConfigStampa c;
            c.modoStampante = true;
            c.dimensioneApertura = 8;
            c.dimensioneCorpo = compressed ? 8 : 12;
            // A line with no blank: every tenth character names its decade.
            std::string line;
            for (std::size_t i = 0; i < w.chars; ++i) {
                line += i % 10 == 0 ? static_cast<char>('A' + i / 10 % 26)
                                    : static_cast<char>('0' + i % 10);
            }
            const PaginaScelta page = renderStampante(c, {"Titolo", line, "fine"}, "fit.pdf");
            const QString text =
                run(QStringLiteral("pdftotext"),
                    {QStringLiteral("-layout"), QStringLiteral("fit.pdf"), QStringLiteral("-")});
            EXPECT_TRUE(text.contains(QString::fromStdString(line)))
                << w.report << " " << w.chars << ":\n"
                << text.toStdString();
            EXPECT_EQ(page.larghezza, w.chars);
            if (page.adattata) {
                EXPECT_TRUE(page.orizzontale) << w.report;
                EXPECT_LE(page.corpo, c.dimensioneCorpo) << w.report;
            }
        }
    }
}

TEST(PrinterFonts, CourierNewResolvesToAMetricCompatibleFace) {
    ConfigStampa c;
    RigaStampa body{RigaStampa::Tipo::Corpo, 10, {}};
    RigaStampa opening{RigaStampa::Tipo::Apertura, 10, {}};
    const QString mono = QFontInfo(fontRiga(c, body, false)).family();
    const QString serif = QFontInfo(fontRiga(c, opening, false)).family();
    if (!QFontInfo(QFont(QStringLiteral("Liberation Mono"))).exactMatch()) {
        GTEST_SKIP() << "fonts-liberation not installed";
    }
    EXPECT_TRUE(mono == QStringLiteral("Liberation Mono") || mono == QStringLiteral("Courier New"))
        << mono.toStdString();
    EXPECT_TRUE(serif == QStringLiteral("Liberation Serif") ||
                serif == QStringLiteral("Times New Roman"))
        << serif.toStdString();
    EXPECT_TRUE(QFontInfo(fontRiga(c, body, true)).bold());
    EXPECT_DOUBLE_EQ(fontRiga(c, body, true).pointSizeF(), 9.6);
}

}  // namespace
}  // namespace corvex::qt
