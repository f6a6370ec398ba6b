#include "output/qt/anteprima.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "common/environment.h"
#include "dialogs/dialoghi.h"
#include "dialogs/testo_qt.h"
#include "output/mail.h"
#include "output/qt/desktop.h"

namespace corvex::qt {

namespace {

constexpr double kStartSize = 11.25;

QString withCrLf(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

}  // namespace

Anteprima::Anteprima(QWidget* parent, AvviaPosta posta)
    : QDialog(parent), path_(reportFileName()), posta_(std::move(posta)) {
    setObjectName(QStringLiteral("Anteprima"));
    setWindowTitle(QStringLiteral("Anteprima di Stampa"));
    setModal(true);
    if (!posta_) posta_ = avviaPosta;

    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("Text1"));
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSizeF(kStartSize);
    text_->setFont(font);

    static const char* const captions[] = {"&Esci",   "&Riduci", "E&spandi", "&Avanti",
                                           "&Inizio", "E-&mail", "Sa&lva"};
    auto* row = new QHBoxLayout;
    for (int i = 1; i < 7; ++i) {
        auto* b = new QPushButton(QString::fromUtf8(captions[i]), this);
        b->setObjectName(QStringLiteral("Tasto%1").arg(i));
        buttons_[static_cast<std::size_t>(i)] = b;
        row->addWidget(b);
    }
    auto* exit = new QPushButton(QString::fromUtf8(captions[0]), this);
    exit->setObjectName(QStringLiteral("Tasto0"));
    buttons_[0] = exit;
    row->addWidget(exit, 1);  // the rightmost, widened to the window's edge
    for (int i = 0; i < 7; ++i) {
        connect(buttons_[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
                [this, i] { premuto(i); });
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_, 1);
    layout->addLayout(row);
    resize(900, 640);

    found_ = pages_.carica(path_);
    if (found_) mostra(0, kLimitePrimoBlocco);
}

void Anteprima::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!found_) QTimer::singleShot(0, this, &QDialog::reject);
}

void Anteprima::mostra(std::size_t first, long limit) {
    block_ = pages_.blocco(first, limit);
    QString shown = daCp(block_.testo);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text_->setPlainText(shown);
}

void Anteprima::premuto(int index) {
    try {
        switch (index) {
            case 0:
                reject();
                return;
            case 1: {
                QFont f = text_->font();
                if (f.pointSizeF() > 1) {
                    // Never below one point: 11.25 would otherwise reach 0.25.
                    f.setPointSizeF(std::max(1.0, f.pointSizeF() - 1));
                    text_->setFont(f);
                }
                return;
            }
            case 2: {
                QFont f = text_->font();
                f.setPointSizeF(f.pointSizeF() + 1);
                text_->setFont(f);
                return;
            }
            case 3:
                if (block_.altro) mostra(block_.prima + block_.righe, kLimiteBlocco);
                text_->setFocus();
                return;
            case 4:
                found_ = pages_.carica(path_);
                mostra(0, kLimiteBlocco);
                text_->setFocus();
                return;
            case 5:
                InviaEMail(text_->toPlainText());
                return;
            case 6:
                salva();
                return;
            default:
                return;
        }
    } catch (const std::exception& e) {
        MostraMessaggio(e.what(), "Riporto Clienti", this);
    }
}

void Anteprima::InviaEMail(const QString& text) {
    const std::string file = scriviFileEMail(aCp(withCrLf(text)));
    const QString problem = posta_(file, text);
    if (!problem.isEmpty()) MostraMessaggio(problem.toStdString(), "E-mail", this);
}

void Anteprima::salva() {
    // The block replaces the lines it was read from; the lines before and
    // after it are written back as they were read.
    const auto edited = righeTesto(aCp(text_->toPlainText()));
    scriviRigheReport(path_, sostituisciBlocco(pages_.righe(), block_.prima, block_.righe, edited));
    found_ = pages_.carica(path_);
    block_.righe = edited.size();
    block_.altro = block_.prima + block_.righe < pages_.righe().size();
}

}  // namespace corvex::qt
