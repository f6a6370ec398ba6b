#include "desk/qt_interaction.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include "dialogs/avanzamento.h"

namespace corvex::desk {

namespace {
constexpr int kProgressAfterMs = 500;
constexpr int kPumpEveryMs = 40;
}  // namespace

QtInteraction::QtInteraction(QWidget* parent, const ServiziDesk& servizi)
    : parent_(parent), servizi_(servizi) {
    started_.start();
}

QtInteraction::~QtInteraction() {
    closeProgress();
}

void QtInteraction::closeProgress() {
    if (dialog_) {
        dialog_->hide();
        dialog_->deleteLater();
        dialog_.clear();
    }
}

std::optional<std::string> QtInteraction::ask(const std::string&, const std::string& prompt,
                                              const std::string& title,
                                              const std::string& defaultAnswer) {
    return servizi_.chiedi(prompt, title, defaultAnswer);
}

bool QtInteraction::confirm(const std::string&, const std::string& prompt, const std::string& title,
                            bool defaultYes) {
    return servizi_.conferma(prompt, title, defaultYes);
}

void QtInteraction::warn(const std::string& text, const std::string& title) {
    servizi_.messaggio(text, title);
}

void QtInteraction::showPrintMenu() {
    closeProgress();
    servizi_.menuStampa(sheet_ ? &*sheet_ : nullptr);
}

void QtInteraction::progress(const std::string& where) {
    // Reports call this per day or record; the window is served at most
    // every few milliseconds so it costs the report nothing noticeable.
    if (pumped_.isValid() && pumped_.elapsed() < kPumpEveryMs) return;
    pumped_.start();
    if (!dialog_ && started_.elapsed() >= kProgressAfterMs) {
        dialog_ = new QProgressDialog(parent_);
        dialog_->setWindowTitle(QStringLiteral("Elaborazione in corso"));
        dialog_->setCancelButtonText(QStringLiteral("Annulla"));
        dialog_->setRange(0, 0);  // busy until a day of the period is reported
        dialog_->setWindowModality(Qt::WindowModal);
        dialog_->setMinimumDuration(0);
        dialog_->setMinimumWidth(360);
        dialog_->show();
    }
    if (dialog_) {
        qt::segnaAvanzamento(*dialog_, where, dal_, al_);
        // The dialog is modal: the desk takes no click while the report runs.
        QCoreApplication::processEvents();
        if (dialog_->wasCanceled()) {
            closeProgress();
            throw ReportCancelled();
        }
    } else {
        // Before the dialog shows, repaint but take no user input.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

}  // namespace corvex::desk
