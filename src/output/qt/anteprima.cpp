#include "output/qt/anteprima.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "common/environment.h"
#include "dialogs/dialoghi.h"
#include "dialogs/tastiera.h"
#include "dialogs/testo_qt.h"
#include "output/mail.h"
#include "output/qt/desktop.h"
#include "output/report_file.h"

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

    // Tasto(0..6) keep their indices; 7 and 8 walk back and to the end.
    static const char* const captions[] = {"&Esci",   "&Riduci", "E&spandi",  "&Avanti", "&Inizio",
                                           "E-&mail", "Sa&lva",  "In&dietro", "&Fine"};
    for (int i = 0; i < 9; ++i) {
        auto* b = new QPushButton(QString::fromUtf8(captions[i]), this);
        b->setObjectName(QStringLiteral("Tasto%1").arg(i));
        b->setAutoDefault(false);
        buttons_[static_cast<std::size_t>(i)] = b;
        connect(b, &QPushButton::clicked, this, [this, i] { premuto(i); });
    }
    auto* row = new QHBoxLayout;
    for (int i : {1, 2, 7, 3, 4, 8, 5, 6}) row->addWidget(buttons_[static_cast<std::size_t>(i)]);
    row->addWidget(buttons_[0], 1);  // the rightmost, widened to the window's edge

    auto* find = new QLabel(QStringLiteral("&Trova:"), this);
    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("Trova"));
    search_->setClearButtonEnabled(true);
    find->setBuddy(search_);
    auto* next = new QPushButton(QStringLiteral("Su&ccessivo"), this);
    auto* previous = new QPushButton(QStringLiteral("&Precedente"), this);
    next->setToolTip(QStringLiteral("Trova il successivo (F3)"));
    previous->setToolTip(QStringLiteral("Trova il precedente (Maiusc+F3)"));
    for (QPushButton* b : {next, previous}) b->setAutoDefault(false);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("stato"));
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(find);
    searchRow->addWidget(search_, 1);
    searchRow->addWidget(next);
    searchRow->addWidget(previous);
    searchRow->addWidget(status_, 2);
    connect(next, &QPushButton::clicked, this, [this] { cerca(true); });
    connect(previous, &QPushButton::clicked, this, [this] { cerca(false); });
    connect(search_, &QLineEdit::returnPressed, this, [this] { cerca(true); });
    connect(search_, &QLineEdit::textChanged, this, [this] {
        evidenzia();
        dici();
    });
    auto* focusSearch = new QShortcut(QKeySequence::Find, this);
    connect(focusSearch, &QShortcut::activated, this, [this] {
        search_->setFocus(Qt::ShortcutFocusReason);
        search_->selectAll();
    });
    auto* findNext = new QShortcut(QKeySequence::FindNext, this);
    connect(findNext, &QShortcut::activated, this, [this] { cerca(true); });
    auto* findPrevious = new QShortcut(QKeySequence::FindPrevious, this);
    connect(findPrevious, &QShortcut::activated, this, [this] { cerca(false); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_, 1);
    layout->addLayout(searchRow);
    layout->addLayout(row);
    resize(900, 640);
    invioPremeTasti(this);

    found_ = pages_.carica(path_);
    if (found_) {
        const std::string title = pages_.titolo();
        if (!title.empty()) setWindowTitle(QStringLiteral("Anteprima di Stampa - ") + daCp(title));
        starts_ = pages_.inizi(0, kLimitePrimoBlocco, kLimiteBlocco);
        mostra(0);
    }
}

void Anteprima::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!found_) QTimer::singleShot(0, this, &QDialog::reject);
}

void Anteprima::mostra(std::size_t index) {
    if (starts_.empty()) starts_.push_back(0);
    current_ = std::min(index, starts_.size() - 1);
    const std::size_t end =
        current_ + 1 < starts_.size() ? starts_[current_ + 1] : pages_.righe().size();
    block_ = pages_.tratto(starts_[current_], end);
    QString shown = daCp(block_.testo);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text_->setPlainText(shown);
    evidenzia();
    dici();
}

void Anteprima::dici(const QString& message) {
    QString text = QStringLiteral("Blocco %1 di %2").arg(numeroBlocco()).arg(numeroBlocchi());
    if (!message.isEmpty()) text += QStringLiteral(": ") + message;
    status_->setText(text);
}

void Anteprima::evidenzia() {
    // Every match of the block in a marker colour that reads on light and
    // dark palettes alike; the current match is the selection.
    QList<QTextEdit::ExtraSelection> marks;
    const QString needle = search_->text();
    if (!needle.isEmpty()) {
        QTextCharFormat marker;
        marker.setBackground(QColor(255, 214, 0));
        marker.setForeground(Qt::black);
        QTextDocument* doc = text_->document();
        for (QTextCursor c = doc->find(needle); !c.isNull(); c = doc->find(needle, c)) {
            marks.append({c, marker});
        }
    }
    text_->setExtraSelections(marks);
}

bool Anteprima::bloccoContiene(std::size_t index, const QString& needle) const {
    const std::size_t end = index + 1 < starts_.size() ? starts_[index + 1] : pages_.righe().size();
    for (std::size_t i = starts_[index]; i < end; ++i) {
        if (daCp(PulisciRiga(pages_.righe()[i])).contains(needle, Qt::CaseInsensitive)) return true;
    }
    return false;
}

bool Anteprima::cerca(bool avanti) {
    const QString needle = search_->text();
    if (needle.isEmpty() || starts_.empty()) {
        search_->setFocus(Qt::ShortcutFocusReason);
        return false;
    }
    const QTextDocument::FindFlags flags =
        avanti ? QTextDocument::FindFlags() : QTextDocument::FindBackward;
    QTextCursor match = text_->document()->find(needle, text_->textCursor(), flags);
    QString note;
    if (match.isNull()) {
        // The next block that holds it, around the report back to this one.
        const std::size_t n = starts_.size();
        std::size_t where = n;
        for (std::size_t step = 1; step <= n && where == n; ++step) {
            const std::size_t k = avanti ? (current_ + step) % n : (current_ + n - step % n) % n;
            if (bloccoContiene(k, needle)) where = k;
        }
        if (where == n) {
            dici(QStringLiteral("«%1» non trovato").arg(needle));
            return false;
        }
        if (avanti ? where <= current_ : where >= current_) {
            note = avanti ? QStringLiteral("ricerca ripresa dall'inizio")
                          : QStringLiteral("ricerca ripresa dalla fine");
        }
        if (where != current_) mostra(where);
        QTextCursor from(text_->document());
        if (!avanti) from.movePosition(QTextCursor::End);
        match = text_->document()->find(needle, from, flags);
        if (match.isNull()) {
            dici(QStringLiteral("«%1» non trovato").arg(needle));
            return false;
        }
    }
    text_->setTextCursor(match);
    text_->ensureCursorVisible();
    evidenzia();
    dici(note);
    return true;
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
                if (current_ + 1 < starts_.size()) {
                    mostra(current_ + 1);
                } else {
                    dici(QStringLiteral("fine della stampa, non ci sono altri blocchi"));
                }
                text_->setFocus();
                return;
            case 4:
                found_ = pages_.carica(path_);
                starts_ = pages_.inizi(0, kLimiteBlocco, kLimiteBlocco);
                mostra(0);
                text_->setFocus();
                return;
            case 5:
                InviaEMail(text_->toPlainText());
                return;
            case 6:
                salva();
                return;
            case 7:
                if (current_ > 0) {
                    mostra(current_ - 1);
                } else {
                    dici(QStringLiteral("inizio della stampa, non ci sono blocchi prima"));
                }
                text_->setFocus();
                return;
            case 8:
                mostra(starts_.size() - 1);
                text_->setFocus();
                return;
            default:
                return;
        }
    } catch (const std::exception& e) {
        MostraMessaggio(std::string(e.what()), "Riporto Clienti", this);
    }
}

void Anteprima::InviaEMail(const QString& text) {
    const std::string file = scriviFileEMail(aCp(withCrLf(text)));
    const QString problem = posta_(file, text);
    if (!problem.isEmpty()) MostraMessaggio(problem, QStringLiteral("E-mail"), this);
}

void Anteprima::salva() {
    // The block replaces the lines it was read from; the lines before and
    // after it are written back as they were read.
    const auto edited = righeTesto(aCp(text_->toPlainText()));
    scriviRigheReport(path_, sostituisciBlocco(pages_.righe(), block_.prima, block_.righe, edited));
    found_ = pages_.carica(path_);
    block_.righe = edited.size();
    const std::size_t next = block_.prima + block_.righe;
    block_.altro = next < pages_.righe().size();
    // The blocks before stay as they were; the ones after are counted anew.
    starts_.resize(current_ + 1);
    if (block_.altro) {
        const auto after = pages_.inizi(next, kLimiteBlocco, kLimiteBlocco);
        starts_.insert(starts_.end(), after.begin(), after.end());
    }
    dici(QStringLiteral("salvato"));
}

}  // namespace corvex::qt
