#include "dialogs/dialoghi.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextLayout>
#include <QTranslator>
#include <QVBoxLayout>
#include <algorithm>

#include "dialogs/tastiera.h"
#include "dialogs/testo_qt.h"

namespace corvex::qt {

namespace {

QString senzaCr(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// Lines text takes at width pixels, wrapped as the text area wraps it.
int righeAVista(const QString& text, const QFont& font, qreal width) {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    int lines = 0;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font);
        layout.setTextOption(option);
        layout.beginLayout();
        int n = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            ++n;
        }
        layout.endLayout();
        lines += std::max(n, 1);
    }
    return lines;
}

// A read-only text area as large as its text (within the screen): lines
// longer than kColonneMassime wrap at word boundaries, so a long message
// makes a taller window, not a wider one, and a very long one scrolls.
QPlainTextEdit* textArea(const QString& text, QWidget* parent) {
    auto* area = new QPlainTextEdit(text, parent);
    area->setReadOnly(true);
    area->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    area->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    area->setFocusPolicy(Qt::NoFocus);
    area->setFrameShape(QFrame::NoFrame);
    area->viewport()->setAutoFillBackground(false);
    const QFontMetrics fm(area->font());
    const QRect screen = QApplication::primaryScreen()
                             ? QApplication::primaryScreen()->availableGeometry()
                             : QRect(0, 0, 1024, 768);
    const int margin = static_cast<int>(area->document()->documentMargin());
    const int cols = std::clamp(CalcolaColonne(text), 30, kColonneMassime);
    const int textWidth =
        std::min(fm.horizontalAdvance(QLatin1Char('n')) * (cols + 1), screen.width() * 3 / 4);
    const int rows = righeAVista(text, area->font(), textWidth);
    const int height = std::min(fm.lineSpacing() * rows + 2 * margin + 4, screen.height() / 2);
    area->setFixedSize(textWidth + 2 * margin + 4, height);
    return area;
}

void stayOnTop(QDialog* d, const QString& title) {
    d->setWindowTitle(title);
    d->setWindowFlags(d->windowFlags() | Qt::WindowStaysOnTopHint);
    d->setModal(true);
}

QLabel* icona(QStyle::StandardPixmap which, QWidget* parent) {
    auto* label = new QLabel(parent);
    const int size = parent->style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, parent);
    label->setPixmap(parent->style()->standardIcon(which, nullptr, parent).pixmap(size, size));
    label->setAlignment(Qt::AlignTop);
    return label;
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
    text_ = textArea(senzaCr(prompt), this);
    auto* label = new QLabel(QStringLiteral("&Valore:"), this);
    field_ = new QLineEdit(defaultText, this);
    field_->setObjectName(QStringLiteral("valore"));
    label->setBuddy(field_);
    field_->selectAll();

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    cancel_ = buttons->addButton(QStringLiteral("Annulla"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(label);
    layout->addWidget(field_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    invioPremeTasti(this);
    field_->setFocus();
}

QString InputBox_form::valore() const {
    return field_->text();
}

MsgBox_Form::MsgBox_Form(const QString& text, const QString& title, QWidget* parent, Tipo tipo,
                         bool defaultSi)
    : QDialog(parent) {
    setObjectName(QStringLiteral("MsgBox_Form"));
    // The title is the window's caption only: repeated above the text it
    // would say the same thing twice.
    stayOnTop(this, title.isEmpty() ? QStringLiteral("Messaggio") : title);
    const bool domanda = tipo == Tipo::Domanda;
    text_ = textArea(senzaCr(text), this);
    text_->setObjectName(QStringLiteral("testo"));

    auto* buttons = new QDialogButtonBox(this);
    if (domanda) {
        ok_ = buttons->addButton(QStringLiteral("&Sì"), QDialogButtonBox::YesRole);
        no_ = buttons->addButton(QStringLiteral("&No"), QDialogButtonBox::NoRole);
        connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
        connect(no_, &QPushButton::clicked, this, &QDialog::reject);
    } else {
        ok_ = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
        connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    }
    QPushButton* initial = domanda && !defaultSi ? no_ : ok_;
    initial->setDefault(true);

    auto* row = new QHBoxLayout;
    row->addWidget(
        icona(domanda ? QStyle::SP_MessageBoxQuestion : QStyle::SP_MessageBoxInformation, this));
    row->addWidget(text_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    invioPremeTasti(this);
    initial->setFocus();
}

std::optional<std::string> ChiediValore(const std::string& prompt, const std::string& title,
                                        const std::string& defaultText, QWidget* parent) {
    InputBox_form box(QString::fromUtf8(prompt), QString::fromUtf8(title), daCp(defaultText),
                      parent);
    if (box.exec() != QDialog::Accepted) return std::nullopt;
    return aCp(box.valore());
}

void MostraMessaggio(const std::string& text, const std::string& title, QWidget* parent) {
    MostraMessaggio(QString::fromUtf8(text), QString::fromUtf8(title), parent);
}

void MostraMessaggio(const QString& text, const QString& title, QWidget* parent) {
    MsgBox_Form box(text, title, parent);
    box.exec();
}

bool ChiediConferma(const std::string& text, const std::string& title, bool defaultSi,
                    QWidget* parent) {
    MsgBox_Form box(QString::fromUtf8(text), QString::fromUtf8(title), parent,
                    MsgBox_Form::Tipo::Domanda, defaultSi);
    return box.exec() == QDialog::Accepted;
}

QTranslator* CaricaTraduzioniQt(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return nullptr;
    }
    QCoreApplication::installTranslator(translator);
    return translator;
}

}  // namespace corvex::qt
