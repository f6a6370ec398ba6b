#include "dialogs/dialoghi.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>
#include <memory>

#include "dialogs/avanzamento.h"
#include "dialogs/tastiera.h"
#include "support/next_dialog.h"

namespace corvex::qt {
namespace {

using test::onNextDialog;

TEST(ChiediValore, ReturnsTheTypedTextOrNothingOnAnnulla) {
    onNextDialog<InputBox_form>([](InputBox_form* d) {
        EXPECT_TRUE(d->windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Contatore"));
        EXPECT_EQ(d->campo()->text(), QStringLiteral("1"));
        EXPECT_EQ(d->campo()->selectedText(), QStringLiteral("1"));
        d->campo()->setText(QStringLiteral("Città 2"));
        d->accept();
    });
    EXPECT_EQ(ChiediValore("Inserire il contatore", "Contatore", "1"),
              std::optional<std::string>("Citt\xE0 2"));

    onNextDialog<InputBox_form>([](InputBox_form* d) {
        EXPECT_EQ(d->annulla()->text(), QStringLiteral("Annulla"));
        d->annulla()->click();
    });
    EXPECT_EQ(ChiediValore("x", "y", "z"), std::nullopt);
}

TEST(MostraMessaggio, OneOkButtonNoHeadingAndLongLinesWrap) {
    const QString shortText = QStringLiteral("Dati incompleti");
    QString longText;
    for (int i = 0; i < 12; ++i)
        longText += QStringLiteral("una riga piuttosto lunga del messaggio %1\n").arg(i);
    // One line of 600 characters, as a database error with its statement.
    const QString oneLine =
        QStringLiteral("Errore nella lettura del file Scheda_Cliente.mdb ").repeated(12);
    MsgBox_Form small(shortText, QStringLiteral("Impostazioni"));
    MsgBox_Form large(longText, QStringLiteral("Impostazioni"));
    MsgBox_Form wide(oneLine, QStringLiteral("Errore nel database"));
    EXPECT_TRUE(small.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_LT(small.testo()->height(), large.testo()->height());
    EXPECT_LE(small.testo()->width(), large.testo()->width());
    EXPECT_EQ(CalcolaRighe(longText), 13);
    EXPECT_EQ(CalcolaColonne(QStringLiteral("ab\nabcd\n")), 4);

    const QFontMetrics fm(wide.testo()->font());
    const int maxText = fm.horizontalAdvance(QLatin1Char('n')) * (kColonneMassime + 1);
    EXPECT_LE(wide.testo()->width(), maxText + 20);
    EXPECT_LT(wide.sizeHint().width(), 800);
    wide.show();
    QCoreApplication::processEvents();
    EXPECT_GE(wide.testo()->height(), fm.lineSpacing() * 4);
    EXPECT_EQ(wide.testo()->verticalScrollBar()->maximum(), 0);  // wrapped, every line shown
    for (const MsgBox_Form* box : {&small, &wide}) {
        EXPECT_EQ(box->findChildren<QPushButton*>().size(), 1);
        EXPECT_EQ(box->ok()->text(), QStringLiteral("OK"));
        EXPECT_EQ(box->no(), nullptr);
        for (const QLabel* l : box->findChildren<QLabel*>())
            EXPECT_NE(l->text(), box->windowTitle());
    }

    onNextDialog<MsgBox_Form>([](MsgBox_Form* d) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(d));
        EXPECT_TRUE(d->ok()->hasFocus());
        QTest::keyClick(d->ok(), Qt::Key_Return);
    });
    MostraMessaggio("Il codice iva non è stato selezionato!", "Impostazioni");
}

TEST(ChiediConferma, SiAndNoFromTheKeyboard) {
    struct Case {
        bool defaultSi;
        Qt::Key key;
        bool expected;
    };
    const Case cases[] = {
        {true, Qt::Key_Return, true},  // Enter answers the default
        {false, Qt::Key_Enter, false},
        {true, Qt::Key_Escape, false},  // Esc is always "No"
    };
    for (const auto& c : cases) {
        onNextDialog<MsgBox_Form>([c](MsgBox_Form* d) {
            ASSERT_TRUE(QTest::qWaitForWindowActive(d));
            EXPECT_EQ(d->ok()->text(), QStringLiteral("&Sì"));
            ASSERT_NE(d->no(), nullptr);
            EXPECT_EQ(d->no()->text(), QStringLiteral("&No"));
            QWidget* focused = c.defaultSi ? static_cast<QWidget*>(d->ok()) : d->no();
            EXPECT_TRUE(focused->hasFocus());
            QTest::keyClick(focused, c.key);
        });
        EXPECT_EQ(ChiediConferma("Uscire senza salvare?", "Impostazioni", c.defaultSi), c.expected)
            << c.key;
    }
}

TEST(InvioPremeTasti, EnterPressesPushAndToolButtonsOnly) {
    QWidget window;
    auto* push = new QPushButton(QStringLiteral("Stampa"), &window);
    auto* tool = new QToolButton(&window);
    auto* check = new QCheckBox(QStringLiteral("Compressa"), &window);
    invioPremeTasti(&window);
    int pushed = 0, tooled = 0;
    QObject::connect(push, &QPushButton::clicked, [&] { ++pushed; });
    QObject::connect(tool, &QToolButton::clicked, [&] { ++tooled; });
    QTest::keyClick(push, Qt::Key_Return);
    QTest::keyClick(push, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(tool, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(push, Qt::Key_Return, Qt::ControlModifier);  // not a plain Enter
    QTest::keyClick(check, Qt::Key_Return);
    EXPECT_EQ(pushed, 2);
    EXPECT_EQ(tooled, 1);
    EXPECT_FALSE(check->isChecked());
    push->setEnabled(false);
    QTest::keyClick(push, Qt::Key_Return);
    EXPECT_EQ(pushed, 2);
}

TEST(Avanzamento, ADayOfThePeriodIsTheShareDone) {
    struct Case {
        const char* where;
        const char* dal;
        const char* al;
        int fatti, totale;  // totale 0: no share
    };
    const Case cases[] = {
        {"01/03/2025", "01/03/2025", "31/03/2025", 1, 31},
        {"31/03/2025", "01/03/2025", "31/03/2025", 31, 31},
        {"15/03/2025", " 01/03/2025 ", "31/03/2025", 15, 31},
        {"28/02/2024", "01/01/2024", "31/12/2024", 59, 366},
        {"28/02/2025", "01/03/2025", "31/03/2025", 0, 0},  // before the period
        {"Scheda_Cliente.mdb", "01/03/2025", "31/03/2025", 0, 0},
        {"05/03/2025", "31/03/2025", "01/03/2025", 0, 0},  // reversed period
        {"05/03/2025", "", "", 0, 0},
    };
    for (const auto& c : cases) {
        const auto a = avanzamentoPeriodo(c.where, c.dal, c.al);
        EXPECT_EQ(a.has_value(), c.totale > 0) << c.where;
        if (a) {
            EXPECT_EQ(a->fatti, c.fatti) << c.where;
            EXPECT_EQ(a->totale, c.totale) << c.where;
        }
    }

    QProgressDialog dialog;
    dialog.setRange(0, 0);
    dialog.show();
    segnaAvanzamento(dialog, "Scheda_Cliente.mdb", "01/03/2025", "31/03/2025");
    EXPECT_EQ(dialog.maximum(), 0);  // still busy
    segnaAvanzamento(dialog, "10/03/2025", "01/03/2025", "31/03/2025");
    EXPECT_EQ(dialog.maximum(), 31);
    EXPECT_EQ(dialog.value(), 10);
    EXPECT_EQ(dialog.labelText(), QStringLiteral("10/03/2025"));
    segnaAvanzamento(dialog, "31/03/2025", "01/03/2025", "31/03/2025");
    EXPECT_TRUE(dialog.isVisible());  // the report still writes its file
    EXPECT_FALSE(dialog.wasCanceled());
}

TEST(CaricaTraduzioniQt, StandardButtonsAndContextMenusInItalian) {
    QTranslator* t = CaricaTraduzioniQt(*QCoreApplication::instance());
    if (!t) GTEST_SKIP() << "qtbase_it.qm not installed (package qt6-translations-l10n)";
    // What the user sees: a question's standard buttons, a field's context menu.
    QDialogButtonBox box(QDialogButtonBox::Yes | QDialogButtonBox::No);
    EXPECT_EQ(box.button(QDialogButtonBox::Yes)->text().remove(QLatin1Char('&')),
              QStringLiteral("Sì"));
    QLineEdit field(QStringLiteral("testo"));
    std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    QStringList entries;
    for (const QAction* a : menu->actions()) entries << a->text().remove(QLatin1Char('&'));
    EXPECT_TRUE(entries.join(QLatin1Char('|')).contains(QStringLiteral("Copia")))
        << entries.join(QLatin1Char('|')).toStdString();
    QCoreApplication::removeTranslator(t);
    delete t;
}

}  // namespace
}  // namespace corvex::qt
