#include "dialogs/dialoghi.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "dialogs/testo_qt.h"

namespace corvex::qt {

namespace {

// A read-only text area as large as its text (within the screen), so short
// messages get a small window and long ones scroll.
QPlainTextEdit* textArea(const QString& text, QWidget* parent) {
    auto* area = new QPlainTextEdit(text, parent);
    area->setReadOnly(true);
    area->setLineWrapMode(QPlainTextEdit::NoWrap);
    area->setFocusPolicy(Qt::NoFocus);
    area->setFrameShape(QFrame::NoFrame);
    const QFontMetrics fm(area->font());
    const QRect screen = QApplication::primaryScreen()
                             ? QApplication::primaryScreen()->availableGeometry()
                             : QRect(0, 0, 1024, 768);
    const int cols = std::max(CalcolaColonne(text), 30);
    const int rows = CalcolaRighe(text);
    const int width =
        std::min(fm.horizontalAdvance(QLatin1Char('n')) * (cols + 2) + 16, screen.width() * 3 / 4);
    const int height = std::min(fm.lineSpacing() * (rows + 1) + 12, screen.height() / 2);
    area->setFixedSize(width, height);
    return area;
}

void stayOnTop(QDialog* d, const QString& title) {
    d->setWindowTitle(title);
    d->setWindowFlags(d->windowFlags() | Qt::WindowStaysOnTopHint);
    d->setModal(true);
}

// The "OK" / "Annulla" row both dialogs end with; OK is the default button.
QDialogButtonBox* okAnnulla(QDialog* d, QPushButton*& ok, QPushButton*& cancel) {
    auto* buttons = new QDialogButtonBox(d);
    ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    cancel = buttons->addButton(QStringLiteral("Annulla"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, d, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, d, &QDialog::reject);
    return buttons;
}

}  // namespace

int CalcolaRighe(const QString& text) {
    return std::max<int>(1, static_cast<int>(text.split(QLatin1Char('\n')).size()));
}

int CalcolaColonne(const QString& text) {
    int cols = 0;
    for (const auto& line : text.split(QLatin1Char('\n'))) {
        cols = std::max<int>(cols, static_cast<int>(line.size()));
    }
    return cols;
}

InputBox_form::InputBox_form(const QString& prompt, const QString& title,
                             const QString& defaultText, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("InputBox_form"));
    stayOnTop(this, title);
    text_ = textArea(prompt, this);
    auto* label = new QLabel(QStringLiteral("&Valore:"), this);
    field_ = new QLineEdit(defaultText, this);
    field_->setObjectName(QStringLiteral("valore"));
    label->setBuddy(field_);
    field_->selectAll();

    QPushButton* ok = nullptr;
    auto* buttons = okAnnulla(this, ok, cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(label);
    layout->addWidget(field_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    field_->setFocus();
}

QString InputBox_form::valore() const {
    return field_->text();
}

MsgBox_Form::MsgBox_Form(const QString& text, const QString& title, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("MsgBox_Form"));
    stayOnTop(this, title.isEmpty() ? QStringLiteral("Messaggio") : title);
    auto* label = new QLabel(title, this);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setVisible(!title.isEmpty());
    text_ = textArea(text, this);
    text_->setObjectName(QStringLiteral("testo"));

    QPushButton* ok = nullptr;
    auto* buttons = okAnnulla(this, ok, cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(text_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    ok->setFocus();
}

std::optional<std::string> ChiediValore(const std::string& prompt, const std::string& title,
                                        const std::string& defaultText, QWidget* parent) {
    InputBox_form box(QString::fromUtf8(prompt), QString::fromUtf8(title), daCp(defaultText),
                      parent);
    if (box.exec() != QDialog::Accepted) return std::nullopt;
    return aCp(box.valore());
}

void MostraMessaggio(const std::string& text, const std::string& title, QWidget* parent) {
    MsgBox_Form box(QString::fromUtf8(text), QString::fromUtf8(title), parent);
    box.exec();
}

}  // namespace corvex::qt
