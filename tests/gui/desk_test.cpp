#include "desk/isdesktop.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <deque>

#include "data/engine/error.h"
#include "desk/campi_desk.h"
#include "dialogs/dialoghi.h"
#include "support/data_folder.h"

namespace corvex::desk {
namespace {

using test::TempDataFolder;

// A desk whose reports and dialogs are recorded instead of run.
struct FakeDesk {
    std::deque<std::optional<std::string>> answers;  // for chiedi, in order
    std::vector<std::string> asked;                  // titles asked
    std::vector<std::pair<std::string, ReportRequest>> runs;
    std::vector<std::string> messages;
    int printMenus = 0;
    std::vector<xlsx::Foglio> sheets;          // offered to the print menu
    std::function<void(Interaction&)> during;  // what the fake report does

    ServiziDesk servizi() {
        ServiziDesk s;
        s.chiedi = [this](const std::string&, const std::string& title,
                          const std::string& def) -> std::optional<std::string> {
            asked.push_back(title);
            if (answers.empty()) return def;
            auto a = answers.front();
            answers.pop_front();
            return a;
        };
        s.messaggio = [this](const std::string& text, const std::string&) {
            messages.push_back(text);
        };
        s.conferma = [](const std::string&, const std::string&, bool d) { return d; };
        s.menuStampa = [this](const xlsx::Foglio* sheet) {
            ++printMenus;
            if (sheet) sheets.push_back(*sheet);
        };
        s.impostazioni = [] {};
        s.esegui = [this](const ReportEntry& e, const ReportRequest& r, Interaction& io) {
            runs.emplace_back(e.routine, r);
            if (during) during(io);
            io.showPrintMenu();
            return ReportResult{};
        };
        return s;
    }
};

class DeskTest : public ::testing::Test {
  protected:
    void SetUp() override { ::setenv("CORVEX_NOW", "05/03/2013 10:30", 1); }
    TempDataFolder dir;
};

TEST_F(DeskTest, StartsWithTodayInEveryDateFieldAndAllRooms) {
    FakeDesk fake;
    ISDeskTop desk(fake.servizi());
    EXPECT_EQ(desk.windowTitle(), QStringLiteral("Controllo Imposta di soggiorno"));
    for (int i = 0; i < kPrimaCamera; ++i)
        EXPECT_EQ(desk.Text1(i)->text(), QStringLiteral("05/03/2013")) << i;
    EXPECT_EQ(desk.Text1(kPrimaCamera)->text(), QString());
    EXPECT_EQ(desk.Text1(kUltimaCamera)->text(), QStringLiteral("ZZZZZZ"));
    EXPECT_EQ(desk.Text1(0)->maxLength(), 10);
    EXPECT_EQ(desk.Text1(kPrimaCamera)->maxLength(), 6);
    EXPECT_EQ(desk.T(0)->text(), QStringLiteral("&Esci"));
    EXPECT_EQ(desk.T(9)->text(), QStringLiteral("Stampa su partenze"));
    EXPECT_EQ(desk.T(3)->text(), QStringLiteral("Stampa su doc. fisc."));
    EXPECT_EQ(desk.Chk()->text(), QStringLiteral("Solo prepagamenti"));
    EXPECT_EQ(desk.menuImpostazioni()->text(), QStringLiteral("&Impostazioni"));
    // Every print button and date field says which row it belongs to.
    for (int i = 1; i < kTasti; ++i) {
        const QString row = QString::fromUtf8(reportDelTasto(i).desk.row);
        EXPECT_TRUE(desk.T(i)->accessibleName().contains(row)) << i;
        EXPECT_EQ(desk.T(i)->toolTip(), row) << i;
    }
    for (int i = 0; i < kCampi; ++i) {
        EXPECT_FALSE(desk.Text1(i)->accessibleName().isEmpty()) << i;
        bool labelled = false;
        for (const QLabel* l : desk.findChildren<QLabel*>())
            labelled |= l->buddy() == desk.Text1(i);
        EXPECT_TRUE(labelled) << i;
    }
    EXPECT_EQ(desk.Text1(6)->accessibleName(),
              QStringLiteral("Stampa imposta maturata ad una certa data (non fatturata): Data di "
                             "riferimento"));
}

// The desk's rows follow the catalog: one print button per report, reports
// sharing a row share its dates, and the fields are numbered down the rows.
TEST(RigheDesk, FollowTheCatalog) {
    std::vector<int> buttons;
    int fields = 0;
    for (const RigaDesk& r : righeDesk()) {
        EXPECT_EQ(r.dal, fields);
        fields += r.al < 0 ? 1 : 2;
        buttons.insert(buttons.end(), r.tasti.begin(), r.tasti.end());
    }
    EXPECT_EQ(fields, kPrimaCamera);
    std::sort(buttons.begin(), buttons.end());
    for (int i = 1; i < kTasti; ++i) EXPECT_EQ(buttons[static_cast<std::size_t>(i - 1)], i);
    EXPECT_EQ(buttons.size(), reportCatalog().size());
}

std::array<std::string, kCampi> fields(std::initializer_list<std::pair<int, std::string>> set) {
    std::array<std::string, kCampi> t;
    t.fill("05/03/2013");
    t[kPrimaCamera] = "";
    t[kUltimaCamera] = "ZZZZZZ";
    for (const auto& [i, v] : set) t[static_cast<std::size_t>(i)] = v;
    return t;
}

TEST(InvioCampo, DatesAreCompletedCheckedAndMoveTheFocus) {
    const Fuoco second{false, 1}, button1{true, 1}, stay0{false, 0}, stay1{false, 1};
    struct Case {
        int field;
        std::string text;
        std::string result;
        Fuoco focus;
    };
    const Case cases[] = {
        {0, "010213", "01/02/2013", second},
        {0, "010299", "01/02/1999", second},
        {0, "01022013", "01/02/2013", second},
        {0, "31/02/2013", "", stay0},
        {0, "29/02/2012", "29/02/2012", second},
        {0, "abc", "", stay0},
        {0, "", "", stay0},
        {1, "05/03/2013", "05/03/2013", button1},  // equal to the first date
        {1, "040313", "04/03/2013", stay0},        // before the first: back to it
        {1, "31/04/2013", "", stay1},
    };
    for (const auto& c : cases) {
        const auto e = invioCampo(c.field, fields({{c.field, c.text}}));
        EXPECT_EQ(e.testo, c.result) << c.text;
        EXPECT_EQ(e.fuoco, c.focus) << c.text;
    }
}

TEST(InvioCampo, EveryPairLeadsToItsButton) {
    const std::pair<int, int> pairs[] = {{0, 1}, {2, 2}, {4, 3}, {8, 6}, {10, 7}, {12, 8}};
    for (const auto& [first, button] : pairs) {
        EXPECT_EQ(invioCampo(first, fields({})).fuoco, (Fuoco{false, first + 1}));
        EXPECT_EQ(invioCampo(first + 1, fields({})).fuoco, (Fuoco{true, button}));
        // A reversed pair sends the focus back to the first date.
        EXPECT_EQ(invioCampo(first + 1, fields({{first, "06/03/2013"}})).fuoco,
                  (Fuoco{false, first}));
    }
    EXPECT_EQ(invioCampo(6, fields({})).fuoco, (Fuoco{true, 4}));
    EXPECT_EQ(invioCampo(7, fields({})).fuoco, (Fuoco{true, 5}));
    EXPECT_EQ(invioCampo(7, fields({{7, "xx"}})).fuoco, (Fuoco{false, 7}));
}

TEST(InvioCampo, RoomRangeComparesAsText) {
    auto e = invioCampo(kPrimaCamera, fields({{kPrimaCamera, " 9 "}}));
    EXPECT_EQ(e.testo, "9");
    EXPECT_EQ(e.fuoco, (Fuoco{false, kUltimaCamera}));
    e = invioCampo(kPrimaCamera, fields({{kPrimaCamera, ""}}));
    EXPECT_EQ(e.testo, " ");  // an empty room field holds one blank afterwards
    e = invioCampo(kUltimaCamera, fields({{kPrimaCamera, "9"}, {kUltimaCamera, "10"}}));
    EXPECT_EQ(e.fuoco, (Fuoco{false, kPrimaCamera}));  // "9" sorts after "10"
    e = invioCampo(kUltimaCamera, fields({{kPrimaCamera, "101"}, {kUltimaCamera, "a205"}}));
    EXPECT_EQ(e.testo, "A205");
    EXPECT_EQ(e.fuoco, (Fuoco{true, 6}));
}

TEST_F(DeskTest, EnterInTheWindowMovesTheFocusAndFocusSelectsAll) {
    FakeDesk fake;
    ISDeskTop desk(fake.servizi());
    desk.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&desk));
    desk.activateWindow();
    desk.Text1(0)->setFocus();
    desk.Text1(0)->setText(QStringLiteral("010213"));
    QTest::keyClick(desk.Text1(0), Qt::Key_Return);
    EXPECT_EQ(desk.Text1(0)->text(), QStringLiteral("01/02/2013"));
    EXPECT_TRUE(desk.Text1(1)->hasFocus());
    EXPECT_EQ(desk.Text1(1)->selectedText(), QStringLiteral("05/03/2013"));
    EXPECT_EQ(desk.Text1(1)->cursorPosition(), 0);
    QTest::keyClick(desk.Text1(1), Qt::Key_Enter);
    EXPECT_TRUE(desk.T(1)->hasFocus());
    // Other keys are the text box's own.
    desk.Text1(6)->setFocus();
    QCoreApplication::processEvents();  // the focus selects the whole text
    QTest::keyClicks(desk.Text1(6), QStringLiteral("x1"));
    EXPECT_EQ(desk.Text1(6)->text(), QStringLiteral("x1"));
    EXPECT_TRUE(fake.runs.empty());
}

// On a screen lower than the desk the rows scroll, and a field or button
// the focus reaches is brought into view.
TEST_F(DeskTest, OnALowScreenTheRowsScrollToTheFocus) {
    FakeDesk fake;
    ISDeskTop desk(fake.servizi());
    desk.resize(desk.sizeHint().width(), 300);
    desk.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&desk));
    desk.activateWindow();
    QWidget* last = desk.T(0);  // "Esci", at the bottom
    last->setFocus();
    QCoreApplication::processEvents();
    const QPoint inDesk = last->mapTo(&desk, QPoint(0, last->height() - 1));
    EXPECT_TRUE(desk.rect().contains(inDesk)) << inDesk.y() << " of " << desk.height();
    desk.Text1(0)->setFocus();
    QCoreApplication::processEvents();
    EXPECT_GE(desk.Text1(0)->mapTo(&desk, QPoint(0, 0)).y(), 0);
}

TEST_F(DeskTest, EveryButtonRunsItsReportWithItsDatesAndRooms) {
    FakeDesk fake;
    ISDeskTop desk(fake.servizi());
    for (int i = 0; i < kPrimaCamera; ++i)
        desk.Text1(i)->setText(QStringLiteral("%1/01/2013").arg(i + 10));
    desk.Text1(kPrimaCamera)->setText(QStringLiteral(" 101 "));
    desk.Text1(kUltimaCamera)->setText(QStringLiteral("205"));
    struct Expect {
        int button;
        const char* routine;
        const char* dal;
        const char* al;
    };
    const Expect expected[] = {
        {1, "StampaCorrispettivi", "10/01/2013", "11/01/2013"},
        {2, "StampaCassa", "12/01/2013", "13/01/2013"},
        {3, "StampaDettaglioImposta", "14/01/2013", "15/01/2013"},
        {4, "StampaImpostaMaturata", "16/01/2013", "16/01/2013"},
        {5, "VerificaImposteAssegnate", "17/01/2013", "17/01/2013"},
        {6, "StampaRiepilogoImposta", "18/01/2013", "19/01/2013"},
        {7, "StampaArriviPresenze", "20/01/2013", "21/01/2013"},
        {8, "StampaOspitiPresenti", "22/01/2013", "23/01/2013"},
        {9, "StampaSuPartenze", "14/01/2013", "15/01/2013"},
    };
    for (const auto& e : expected) {
        fake.runs.clear();
        desk.T(e.button)->click();
        ASSERT_EQ(fake.runs.size(), 1u) << e.button;
        EXPECT_EQ(fake.runs[0].first, e.routine);
        EXPECT_EQ(fake.runs[0].second.dal, e.dal) << e.routine;
        EXPECT_EQ(fake.runs[0].second.al, e.al) << e.routine;
        EXPECT_EQ(fake.runs[0].second.primaCamera, "101") << e.routine;
        EXPECT_EQ(fake.runs[0].second.ultimaCamera, "205") << e.routine;
    }
    EXPECT_EQ(fake.printMenus, 9);
    EXPECT_TRUE(fake.sheets.empty());

    // A report that offers its sheet: the print menu gets it.
    fake.during = [](Interaction& io) {
        xlsx::Foglio f;
        f.nome = "Registro";
        io.offerSheet(f);
    };
    desk.T(9)->click();
    ASSERT_EQ(fake.sheets.size(), 1u);
    EXPECT_EQ(fake.sheets[0].nome, "Registro");
}

TEST_F(DeskTest, CamereImpOverridesTheRoomFields) {
    dir.writeFile("CamereImp.txt", "101\r\n205\r\n");
    FakeDesk fake;
    ISDeskTop desk(fake.servizi());
    desk.Text1(kPrimaCamera)->setText(QStringLiteral("1"));
    desk.Text1(kUltimaCamera)->setText(QStringLiteral("2"));
    desk.T(6)->click();
    ASSERT_EQ(fake.runs.size(), 1u);
    EXPECT_EQ(fake.runs[0].second.primaCamera, "101");
    EXPECT_EQ(fake.runs[0].second.ultimaCamera, "205");
    EXPECT_EQ(desk.Text1(kPrimaCamera)->text(), QStringLiteral("1"));  // the fields stay
}

TEST_F(DeskTest, CounterAndDocumentTypeQuestions) {
    FakeDesk fake;
    ISDeskTop desk(fake.servizi());
    // Fiscal detail: the counter only; letters are asked again.
    // Letters, nothing, a negative number and one beyond the suite's 16-bit
    // field are asked again.
    fake.answers = {std::string("abc"), std::string(""), std::string("-1"), std::string("32768"),
                    std::string(" 3 ")};
    desk.T(3)->click();
    EXPECT_EQ(fake.asked, std::vector<std::string>(5, "Contatore"));
    ASSERT_EQ(fake.runs.size(), 1u);
    EXPECT_EQ(fake.runs[0].second.contatore, 3);
    desk.Chk()->setChecked(true);
    fake.asked.clear();
    fake.answers = {std::string("0")};
    desk.T(3)->click();
    EXPECT_TRUE(fake.runs.back().second.soloPrepagamenti);
    EXPECT_EQ(fake.runs.back().second.contatore, 0);

    // Cash table: counter, then document type.
    fake.asked.clear();
    fake.answers = {std::string("2"), std::string("r")};
    desk.T(2)->click();
    EXPECT_EQ(fake.asked, (std::vector<std::string>{"Contatore", "Tipo documento"}));
    EXPECT_EQ(fake.runs.back().second.contatore, 2);
    EXPECT_EQ(fake.runs.back().second.tipoDocumento, "r");
    EXPECT_EQ(desk.stato().contatoreRichiesto, 2);

    // Annulla on either question abandons the report: nothing runs.
    const auto before = fake.runs.size();
    fake.answers = {std::nullopt};
    desk.T(2)->click();
    fake.answers = {std::string("1"), std::nullopt};
    desk.T(2)->click();
    EXPECT_EQ(fake.runs.size(), before);
    EXPECT_EQ(fake.printMenus, static_cast<int>(before));
}

TEST_F(DeskTest, ReportErrorsAreShownAndCancelIsSilent) {
    FakeDesk fake;
    auto s = fake.servizi();
    int calls = 0;
    s.esegui = [&](const ReportEntry&, const ReportRequest&, Interaction&) -> ReportResult {
        switch (calls++) {
            case 0:
                throw db::DbError("Scheda_Cliente.mdb", "SELECT", "file non trovato");
            case 1:
                throw ReportError("Data non valida: 31/02/2013");
            case 2:
                throw ReportCancelled();
            default:
                return ReportResult{{"riga 3 saltata"}};
        }
    };
    ISDeskTop desk(s);
    for (int i = 0; i < 4; ++i) desk.T(6)->click();
    ASSERT_EQ(fake.messages.size(), 3u);
    EXPECT_NE(fake.messages[0].find("Scheda_Cliente.mdb"), std::string::npos);
    EXPECT_NE(fake.messages[1].find("31/02/2013"), std::string::npos);
    EXPECT_NE(fake.messages[2].find("riga 3 saltata"), std::string::npos);
    EXPECT_FALSE(desk.reportInCorso());
}

// An accented message reaches the person as written, in the desk's own
// message box.
TEST_F(DeskTest, AnAccentedReportErrorReadsRightInTheMessageBox) {
    FakeDesk fake;
    auto s = fake.servizi();
    s.messaggio = nullptr;  // the desk's own message box
    s.esegui = [](const ReportEntry&, const ReportRequest&, Interaction&) -> ReportResult {
        throw ReportError("La data iniziale \"31/02/2013\" non è valida (gg/mm/aaaa)");
    };
    ISDeskTop desk(s);
    QString shown, title;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<qt::MsgBox_Form*>(w); box && box->isVisible()) {
                shown = box->testo()->toPlainText();
                title = box->windowTitle();
                box->reject();
            }
        }
    });
    poll.start(10);
    desk.T(6)->click();
    EXPECT_EQ(shown, QStringLiteral("La data iniziale \"31/02/2013\" non è valida (gg/mm/aaaa)"));
    EXPECT_EQ(title, QStringLiteral("Errore"));
}

TEST_F(DeskTest, NoOtherReportStartsWhileOneRuns) {
    FakeDesk fake;
    ISDeskTop* deskPtr = nullptr;
    fake.during = [&](Interaction& io) {
        io.progress("01/01/2013");
        EXPECT_TRUE(deskPtr->reportInCorso());
        deskPtr->T(5)->click();  // ignored: a report is running
    };
    ISDeskTop desk(fake.servizi());
    deskPtr = &desk;
    desk.T(6)->click();
    EXPECT_EQ(fake.runs.size(), 1u);
}

}  // namespace
}  // namespace corvex::desk
