#include "desk/isdesktop.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>
#include <exception>

#include "common/clock.h"
#include "data/engine/error.h"
#include "desk/pannello_righe.h"
#include "desk/qt_interaction.h"
#include "desk/server_desk.h"
#include "dialogs/dialoghi.h"
#include "dialogs/tastiera.h"
#include "dialogs/testo_qt.h"
#include "output/qt/menu_stampa.h"
#include "reports/filings/qt/andamento.h"
#include "settings/qt/isimpostazioni.h"
#include "settings/qt/versamenti.h"

namespace corvex::desk {

using qt::aCp;
using qt::daCp;

ServiziDesk serviziDesk(QWidget* desk) {
    ServiziDesk s;
    s.chiedi = [desk](const std::string& prompt, const std::string& title, const std::string& def) {
        return qt::ChiediValore(prompt, title, def, desk);
    };
    s.messaggio = [desk](const std::string& text, const std::string& title) {
        qt::MostraMessaggio(text, title, desk);
    };
    s.conferma = [desk](const std::string& text, const std::string& title, bool defaultYes) {
        return qt::ChiediConferma(text, title, defaultYes, desk);
    };
    s.menuStampa = [desk](const xlsx::Foglio* foglio) { qt::mostraMenuStampa(desk, foglio); };
    s.impostazioni = [desk] {
        qt::ISImpostazioni editor(desk);
        editor.exec();
    };
    s.esegui = [](const ReportEntry& e, const ReportRequest& r, Interaction& io) {
        return eseguiReport(e, r, io);
    };
    return s;
}

ISDeskTop::ISDeskTop(ServiziDesk servizi, QWidget* parent)
    : QMainWindow(parent), servizi_(std::move(servizi)) {
    setObjectName(QStringLiteral("ISDeskTop"));
    setWindowTitle(QStringLiteral("Controllo Imposta di soggiorno"));
    const ServiziDesk defaults = serviziDesk(this);
    if (!servizi_.chiedi) servizi_.chiedi = defaults.chiedi;
    if (!servizi_.messaggio) servizi_.messaggio = defaults.messaggio;
    if (!servizi_.conferma) servizi_.conferma = defaults.conferma;
    if (!servizi_.menuStampa) servizi_.menuStampa = defaults.menuStampa;
    if (!servizi_.impostazioni) servizi_.impostazioni = defaults.impostazioni;
    if (!servizi_.esegui) servizi_.esegui = defaults.esegui;

    ControlliDesk c;
    // The rows scroll when the screen is lower than the desk (1366x768 with
    // a panel), so no row is ever out of reach; the focus keeps its field
    // in view as Tab and Enter move down the rows.
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    righe_ = pannelloRighe(scroll, c);
    scroll->setWidget(righe_);
    scroll->setMinimumWidth(righe_->minimumSizeHint().width() +
                            scroll->verticalScrollBar()->sizeHint().width());
    setCentralWidget(scroll);
    connect(qApp, &QApplication::focusChanged, scroll, [scroll, this](QWidget*, QWidget* now) {
        if (now != nullptr && righe_->isAncestorOf(now)) scroll->ensureWidgetVisible(now);
    });
    fields_ = c.campi;
    buttons_ = c.tasti;
    chk_ = c.chk;

    // Alt+I opens the settings, Alt+V the payments, Alt+N the monthly
    // charts; F10 takes the keyboard
    // to the menu bar, where the arrows move between the entries, Enter
    // opens the highlighted one and Esc goes back.
    settings_ = menuBar()->addAction(QStringLiteral("&Impostazioni"));
    settings_->setObjectName(QStringLiteral("menu1"));
    connect(settings_, &QAction::triggered, this, [this] {
        if (!running_) servizi_.impostazioni();
    });
    versamenti_ = [this] {
        qt::FinestraVersamenti window(this);
        window.exec();
    };
    payments_ = menuBar()->addAction(QStringLiteral("&Versamenti"));
    payments_->setObjectName(QStringLiteral("menu2"));
    connect(payments_, &QAction::triggered, this, [this] {
        if (!running_) versamenti_();
    });
    andamento_ = [this] {
        qt::FinestraAndamento window(this);
        window.exec();
    };
    trend_ = menuBar()->addAction(QStringLiteral("A&ndamento"));
    trend_->setObjectName(QStringLiteral("menu3"));
    connect(trend_, &QAction::triggered, this, [this] {
        if (!running_) andamento_();
    });
    // The server the reports read from (empty: the data folder).
    QAction* server = menuBar()->addAction(QStringLiteral("&Server"));
    server->setObjectName(QStringLiteral("menu4"));
    connect(server, &QAction::triggered, this, [this] {
        if (!running_) ScegliServer(this);
    });
    menuBar()->installEventFilter(this);
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, this, [this] { barraMenu(!menuBar()->hasFocus()); });
    // Enter on a focused button presses it, as the space bar does.
    qt::invioPremeTasti(centralWidget());

    const QString today = daCp(todayText());
    for (int i = 0; i < kCampi; ++i) {
        QLineEdit* f = fields_[static_cast<std::size_t>(i)];
        if (i < kPrimaCamera) f->setText(today);
        f->installEventFilter(this);
    }
    for (int i = 0; i < kTasti; ++i) {
        connect(buttons_[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
                [this, i] { premuto(i); });
    }
    if (const QScreen* s = screen()) resize(sizeHint().boundedTo(s->availableGeometry().size()));
}

QSize ISDeskTop::sizeHint() const {
    return righe_->sizeHint() + QSize(0, menuBar()->sizeHint().height());
}

std::array<std::string, kCampi> ISDeskTop::testi() const {
    std::array<std::string, kCampi> t;
    for (int i = 0; i < kCampi; ++i) t[static_cast<std::size_t>(i)] = aCp(Text1(i)->text());
    return t;
}

void ISDeskTop::barraMenu(bool enter) {
    QMenuBar* bar = menuBar();
    if (enter) {
        before_ = QApplication::focusWidget();
        bar->setFocus(Qt::MenuBarFocusReason);
        bar->setActiveAction(settings_);
    } else {
        bar->setActiveAction(nullptr);
        if (before_) {
            before_->setFocus(Qt::ShortcutFocusReason);
        } else {
            Text1(0)->setFocus(Qt::ShortcutFocusReason);
        }
    }
}

bool ISDeskTop::eventFilter(QObject* watched, QEvent* event) {
    if (watched == menuBar() && event->type() == QEvent::KeyPress && menuBar()->hasFocus()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        QAction* chosen = menuBar()->activeAction();
        if (key == Qt::Key_Escape) {
            barraMenu(false);
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space ||
            key == Qt::Key_Down) {
            barraMenu(false);
            if (chosen) chosen->trigger();
            return true;
        }
    }
    auto* f = qobject_cast<QLineEdit*>(watched);
    const int index =
        f ? static_cast<int>(std::find(fields_.begin(), fields_.end(), f) - fields_.begin())
          : kCampi;
    if (index < kCampi) {
        if (event->type() == QEvent::FocusIn) {
            // Select the whole text with the caret at its start, after the
            // mouse press that gave the focus has placed its own caret.
            QTimer::singleShot(0, f, [f] { f->setSelection(f->text().size(), -f->text().size()); });
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                invio(index);
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void ISDeskTop::invio(int index) {
    const EsitoInvio e = invioCampo(index, testi());
    Text1(index)->setText(daCp(e.testo));
    QWidget* target = e.fuoco.tasto ? static_cast<QWidget*>(T(e.fuoco.indice))
                                    : static_cast<QWidget*>(Text1(e.fuoco.indice));
    // A keyboard move: the focus ring shows where Enter has taken the user.
    target->setFocus(Qt::ShortcutFocusReason);
    if (!e.fuoco.tasto) {
        QLineEdit* f = Text1(e.fuoco.indice);
        f->setSelection(f->text().size(), -f->text().size());
    }
}

void ISDeskTop::premuto(int index) {
    if (running_) return;  // one report at a time writes the report file
    if (index == 0) {
        close();
        return;
    }
    eseguiReport(index);
}

void ISDeskTop::eseguiReport(int button) {
    running_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{running_};

    try {
        const ReportEntry& entry = reportDelTasto(button);
        const auto request =
            richiestaDelTasto(button, testi(), chk_->isChecked(), stato_, servizi_);
        if (!request) return;  // "Annulla" on a question: the report is abandoned
        QApplication::setOverrideCursor(Qt::WaitCursor);
        struct Cursor {
            ~Cursor() { QApplication::restoreOverrideCursor(); }
        } cursor;
        QtInteraction io(this, servizi_);
        io.periodo(request->dal, request->al);
        const ReportResult result = servizi_.esegui(entry, *request, io);
        if (!result.skipped.empty()) {
            std::string text = "Alcuni dati non sono stati elaborati:\r\n";
            for (const auto& s : result.skipped) text += s + "\r\n";
            servizi_.messaggio(text, entry.routine);
        }
    } catch (const ReportCancelled&) {
        // The user stopped the report: nothing to say.
    } catch (const db::DbError& e) {
        servizi_.messaggio(e.what(), "Errore nel database");
    } catch (const ReportError& e) {
        servizi_.messaggio(e.what(), "Errore");
    } catch (const std::exception& e) {
        servizi_.messaggio(e.what(), "Errore");
    }
}

}  // namespace corvex::desk
