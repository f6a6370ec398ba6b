// How a report run from the desk talks to the user: the system's dialogs,
// a progress dialog with Cancel and the print menu.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <optional>

#include "desk/dispatch.h"
#include "reports/interaction.h"

class QProgressDialog;
class QWidget;

namespace corvex::desk {

class QtInteraction : public Interaction {
  public:
    QtInteraction(QWidget* parent, const ServiziDesk& servizi);
    ~QtInteraction() override;

    // The key is the command line's business: the desk shows prompt and title.
    std::optional<std::string> ask(const std::string& key, const std::string& prompt,
                                   const std::string& title,
                                   const std::string& defaultAnswer) override;
    bool confirm(const std::string& key, const std::string& prompt, const std::string& title,
                 bool defaultYes) override;
    void warn(const std::string& text, const std::string& title) override;
    void showPrintMenu() override;
    void offerSheet(const xlsx::Foglio& sheet) override { sheet_ = sheet; }
    // Shows a modal progress dialog once the report has run for half a
    // second; throws ReportCancelled when the user pressed its Cancel.
    void progress(const std::string& where) override;

    // The request's period: a day of it reported as progress moves the bar.
    void periodo(std::string dal, std::string al) {
        dal_ = std::move(dal);
        al_ = std::move(al);
    }

  private:
    void closeProgress();

    QWidget* parent_;
    const ServiziDesk& servizi_;
    QElapsedTimer started_;
    QElapsedTimer pumped_;
    QPointer<QProgressDialog> dialog_;
    std::string dal_, al_;
    std::optional<xlsx::Foglio> sheet_;
};

}  // namespace corvex::desk
