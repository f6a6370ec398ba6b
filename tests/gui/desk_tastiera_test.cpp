// The desk from the keyboard alone: dates and Enter up to a printed report,
// a visible focus, the menu bar by mnemonic and by F10.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStyleOption>
#include <QTest>

#include "desk/isdesktop.h"
#include "support/data_folder.h"

namespace corvex::desk {
namespace {

struct Registro {
    std::vector<std::pair<std::string, ReportRequest>> runs;
    int settings = 0;

    ServiziDesk servizi() {
        ServiziDesk s;
        s.chiedi = [](const std::string&, const std::string&, const std::string& def) {
            return std::optional<std::string>(def);
        };
        s.messaggio = [](const std::string&, const std::string&) {};
        s.conferma = [](const std::string&, const std::string&, bool d) { return d; };
        s.menuStampa = [](const xlsx::Foglio*) {};
        s.impostazioni = [this] { ++settings; };
        s.esegui = [this](const ReportEntry& e, const ReportRequest& r, Interaction&) {
            runs.emplace_back(e.routine, r);
            return ReportResult{};
        };
        return s;
    }
};

class DeskKeyboard : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("CORVEX_NOW", "05/03/2025 10:30", 1);
        desk = std::make_unique<ISDeskTop>(registro.servizi());
        desk->show();
        desk->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(desk.get()));
    }
    // Keys go where the focus is, as they do for a user.
    void type(const QString& text) {
        QCoreApplication::processEvents();  // the focus selects the field's text
        QTest::keyClicks(QApplication::focusWidget(), text);
    }
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), k, m);
    }

    test::TempDataFolder dir;
    Registro registro;
    std::unique_ptr<ISDeskTop> desk;
};

bool focusRingShown(QWidget* w) {
    QStyleOption option;
    option.initFrom(w);
    return w->hasFocus() && (option.state & QStyle::State_HasFocus) &&
           (option.state & QStyle::State_KeyboardFocusChange);
}

TEST_F(DeskKeyboard, DateEnterDateEnterEnterPrints) {
    desk->Text1(0)->setFocus(Qt::MouseFocusReason);  // a click: no focus ring yet
    type(QStringLiteral("010325"));
    key(Qt::Key_Return);
    type(QStringLiteral("150325"));
    key(Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_TRUE(desk->T(1)->hasFocus());
    EXPECT_TRUE(focusRingShown(desk->T(1)));
    EXPECT_TRUE(registro.runs.empty());
    key(Qt::Key_Return);
    ASSERT_EQ(registro.runs.size(), 1u);
    EXPECT_EQ(registro.runs[0].first, "StampaCorrispettivi");
    EXPECT_EQ(registro.runs[0].second.dal, "01/03/2025");
    EXPECT_EQ(registro.runs[0].second.al, "15/03/2025");

    // Keypad Enter on a single-date row's button.
    desk->Text1(7)->setFocus(Qt::MouseFocusReason);
    type(QStringLiteral("020325"));
    key(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(focusRingShown(desk->T(5)));
    key(Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_EQ(registro.runs.size(), 2u);
    EXPECT_EQ(registro.runs[1].first, "VerificaImposteAssegnate");
}

TEST_F(DeskKeyboard, ImpostazioniByMnemonicAndByF10) {
    EXPECT_EQ(desk->menuImpostazioni()->text(), QStringLiteral("&Impostazioni"));
    desk->Text1(3)->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(desk.get(), Qt::Key_I, Qt::AltModifier);
    EXPECT_EQ(registro.settings, 1);

    key(Qt::Key_F10);
    EXPECT_TRUE(desk->menuBar()->hasFocus());
    EXPECT_EQ(desk->menuBar()->activeAction(), desk->menuImpostazioni());
    key(Qt::Key_Escape);  // back where the keyboard was, nothing opened
    EXPECT_TRUE(desk->Text1(3)->hasFocus());
    EXPECT_EQ(registro.settings, 1);
    key(Qt::Key_F10);
    key(Qt::Key_Return);
    EXPECT_EQ(registro.settings, 2);
    EXPECT_TRUE(desk->Text1(3)->hasFocus());
}

// The menu entries beside "Impostazioni": by their mnemonic and by F10 and
// the arrows.
TEST_F(DeskKeyboard, MenuEntriesByMnemonicAndByF10ThenArrow) {
    int payments = 0, trend = 0;
    desk->apriVersamentiCon([&] { ++payments; });
    desk->apriAndamentoCon([&] { ++trend; });
    const struct {
        QAction* entry;
        const char* text;
        Qt::Key mnemonic;
        int rights;  // Right presses from "Impostazioni"
        const int* opened;
    } entries[] = {
        {desk->menuVersamenti(), "&Versamenti", Qt::Key_V, 1, &payments},
        {desk->menuAndamento(), "A&ndamento", Qt::Key_N, 2, &trend},
    };
    for (const auto& e : entries) {
        SCOPED_TRACE(e.text);
        EXPECT_EQ(e.entry->text(), QString::fromUtf8(e.text));
        desk->Text1(3)->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(desk.get(), e.mnemonic, Qt::AltModifier);
        EXPECT_EQ(*e.opened, 1);

        key(Qt::Key_F10);
        for (int i = 0; i < e.rights; ++i) key(Qt::Key_Right);
        EXPECT_EQ(desk->menuBar()->activeAction(), e.entry);
        key(Qt::Key_Return);
        EXPECT_EQ(*e.opened, 2);
        EXPECT_TRUE(desk->Text1(3)->hasFocus());
    }
    EXPECT_EQ(registro.settings, 0);
}

}  // namespace
}  // namespace corvex::desk
