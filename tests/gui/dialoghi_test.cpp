#include "dialogs/dialoghi.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace corvex::qt {
namespace {

// Runs action on the dialog that opens next (modal dialogs block in exec).
template <class Dialog, class Fn>
void onNextDialog(Fn action) {
    QTimer::singleShot(0, [action] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* d = qobject_cast<Dialog*>(w); d && d->isVisible()) {
                action(d);
                return;
            }
        }
    });
}

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

TEST(MostraMessaggio, SizesItselfToItsText) {
    const QString shortText = QStringLiteral("Dati incompleti");
    QString longText;
    for (int i = 0; i < 12; ++i)
        longText += QStringLiteral("una riga piuttosto lunga del messaggio %1\n").arg(i);
    MsgBox_Form small(shortText, QStringLiteral("Impostazioni"));
    MsgBox_Form large(longText, QStringLiteral("Impostazioni"));
    EXPECT_TRUE(small.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_LT(small.testo()->height(), large.testo()->height());
    EXPECT_LE(small.testo()->width(), large.testo()->width());
    EXPECT_EQ(CalcolaRighe(longText), 13);
    EXPECT_EQ(CalcolaColonne(QStringLiteral("ab\nabcd\n")), 4);

    onNextDialog<MsgBox_Form>([](MsgBox_Form* d) { d->annulla()->click(); });
    MostraMessaggio("Il codice iva non \xE8 stato selezionato!", "Impostazioni");
}

}  // namespace
}  // namespace corvex::qt
