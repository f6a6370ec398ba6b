// Working in the preview of a long report: block numbers, first/last block,
// search across blocks, and a title naming the report and its period.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "output/qt/anteprima.h"
#include "support/data_folder.h"

namespace corvex::qt {
namespace {

using test::TempDataFolder;

// Lines "<n>xxxx..." of 100 characters; the given lines carry a word.
std::string report(int lines, std::initializer_list<std::pair<int, const char*>> words = {}) {
    std::string s;
    for (int i = 0; i < lines; ++i) {
        std::string l = std::to_string(i);
        for (const auto& [at, word] : words) {
            if (at == i) l += std::string(" ") + word + " ";
        }
        l.resize(100, 'x');
        s += l + "\r\n";
    }
    return s;
}

class Preview : public ::testing::Test {
  protected:
    void SetUp() override { ::setenv("PCLocal", "1", 1); }
    TempDataFolder dir;
    static QString noMail(const std::string&, const QString&) { return QString(); }
};

TEST(TitoloStampa, NamesTheReportAndItsPeriodFromTheHeading) {
    struct Case {
        std::vector<std::string> lines;
        std::string title;
    };
    const Case cases[] = {
        {{"RIEPILOGO IMPOSTA DI SOGGIORNO DAL 01/03/2025 AL 15/03/2025", "x"},
         "RIEPILOGO IMPOSTA DI SOGGIORNO DAL 01/03/2025 AL 15/03/2025"},
        {{"", " ELENCO CLIENTI ALLOGGIATI IL 05/03/2025", ""},
         "ELENCO CLIENTI ALLOGGIATI IL 05/03/2025"},
        {{"                Corrispettivi dal 01/03/2025 al 15/03/2025             (1)"},
         "Corrispettivi dal 01/03/2025 al 15/03/2025"},
        {{"\xE7Hotel Demo - Riepilogo\xE7", "Dal 01/12/2025 al 31/12/2025    Camere da 101 a Z"},
         "Hotel Demo - Riepilogo Dal 01/12/2025 al 31/12/2025"},
        {{"|01/03/2025|05/03/2025|    4|ROSSI MARIO"}, ""},  // rows, no heading
        {{"nessuna data", "", "Totale 12"}, ""},
        {{}, ""},
    };
    for (const auto& c : cases) {
        PaginaAnteprima p;
        p.imposta(c.lines);
        EXPECT_EQ(p.titolo(), c.title) << (c.lines.empty() ? "" : c.lines[0]);
    }
}

TEST_F(Preview, BlocksAreNumberedAndTheLastOneSaysSo) {
    dir.writeFile("fd1", "VERIFICA IMPOSTA DI SOGGIORNO DEL 02/03/2025\r\n" + report(2000));
    Anteprima a(nullptr, noMail);
    EXPECT_EQ(a.windowTitle(),
              QStringLiteral("Anteprima di Stampa - VERIFICA IMPOSTA DI SOGGIORNO DEL 02/03/2025"));
    // 200 lines, then 260 a block.
    ASSERT_EQ(a.numeroBlocchi(), 8);
    EXPECT_EQ(a.stato()->text(), QStringLiteral("Blocco 1 di 8"));
    a.tasto(8)->click();  // Fine
    EXPECT_EQ(a.numeroBlocco(), 8);
    EXPECT_TRUE(a.testo()->toPlainText().endsWith(QStringLiteral("x\n")));
    EXPECT_FALSE(a.blocco().altro);
    a.tasto(3)->click();  // Avanti at the end
    EXPECT_EQ(a.numeroBlocco(), 8);
    EXPECT_TRUE(a.stato()->text().contains(QStringLiteral("non ci sono altri blocchi")));
    a.tasto(7)->click();  // Indietro
    EXPECT_EQ(a.stato()->text(), QStringLiteral("Blocco 7 di 8"));
    a.tasto(4)->click();  // Inizio: 26,000 characters a block from the start
    EXPECT_EQ(a.numeroBlocco(), 1);
    EXPECT_EQ(a.numeroBlocchi(), 8);
    EXPECT_EQ(a.testo()->blockCount() - 1, 261);  // the heading and 260 lines
}

TEST_F(Preview, SearchWalksTheBlocksAndHighlights) {
    dir.writeFile("fd1", report(2000, {{20, "Rossi"}, {1500, "ROSSI"}, {1510, "rossi"}}));
    Anteprima a(nullptr, noMail);
    a.show();
    a.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&a));
    QTest::keyClick(&a, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(a.ricerca()->hasFocus());
    QTest::keyClicks(a.ricerca(), QStringLiteral("rossi"));
    EXPECT_EQ(a.testo()->extraSelections().size(), 1);  // line 20, in this block
    QTest::keyClick(a.ricerca(), Qt::Key_Return);
    EXPECT_EQ(a.numeroBlocco(), 1);
    EXPECT_EQ(a.testo()->textCursor().selectedText(), QStringLiteral("Rossi"));

    QTest::keyClick(&a, Qt::Key_F3);  // on to the block holding line 1500
    EXPECT_EQ(a.numeroBlocco(), 7);   // 200 + 5 * 260 = 1500
    EXPECT_EQ(a.testo()->textCursor().selectedText(), QStringLiteral("ROSSI"));
    EXPECT_EQ(a.testo()->extraSelections().size(), 2);
    QTest::keyClick(&a, Qt::Key_F3);
    EXPECT_EQ(a.testo()->textCursor().selectedText(), QStringLiteral("rossi"));
    QTest::keyClick(&a, Qt::Key_F3);  // around to the first block
    EXPECT_EQ(a.numeroBlocco(), 1);
    EXPECT_TRUE(a.stato()->text().contains(QStringLiteral("ripresa dall'inizio")));
    QTest::keyClick(&a, Qt::Key_F3, Qt::ShiftModifier);  // and back to the end
    EXPECT_EQ(a.numeroBlocco(), 7);
    EXPECT_EQ(a.testo()->textCursor().selectedText(), QStringLiteral("rossi"));

    a.ricerca()->setText(QStringLiteral("Bianchi"));
    EXPECT_FALSE(a.cerca());
    EXPECT_EQ(a.numeroBlocco(), 7);
    EXPECT_TRUE(a.stato()->text().contains(QStringLiteral("«Bianchi» non trovato")));
    EXPECT_TRUE(a.testo()->extraSelections().isEmpty());
}

TEST_F(Preview, SavingALaterBlockKeepsTheBlocksAround) {
    dir.writeFile("fd1", report(1000));
    Anteprima a(nullptr, noMail);
    const int blocks = a.numeroBlocchi();
    a.tasto(3)->click();
    a.tasto(3)->click();
    QString shown = a.testo()->toPlainText();
    shown.replace(QStringLiteral("500x"), QStringLiteral("500y"));
    a.testo()->setPlainText(shown);
    a.tasto(6)->click();
    EXPECT_EQ(a.numeroBlocco(), 3);
    EXPECT_EQ(a.numeroBlocchi(), blocks);
    a.tasto(3)->click();
    EXPECT_TRUE(a.testo()->toPlainText().startsWith(QStringLiteral("720x")));
    a.tasto(7)->click();
    EXPECT_TRUE(a.testo()->toPlainText().contains(QStringLiteral("500y")));
}

}  // namespace
}  // namespace corvex::qt
