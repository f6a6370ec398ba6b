// How a report run from the command line is answered: every question has an
// option, and the dialog's default answer stands in for an option not given.
#pragma once

#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>

#include "cli/report_args.h"
#include "reports/interaction.h"

namespace corvex::cli {

// A question the command line cannot answer (a required option is missing,
// or the report keeps rejecting the answer given): exit 2.
class AnswerMissing : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Called when the report file is written and closed, in place of the desk's
// print menu, with the sheet the report offered (nullptr: none). The output
// options (PDF, CSV, XLSX, printing) install one; without a handler the
// report file is simply left in the data folder.
using PrintMenuHandler = std::function<void(const xlsx::Foglio* sheet)>;

class CliInteraction : public Interaction {
  public:
    // err receives the warnings as "TITLE: text" lines (UTF-8, as every message).
    CliInteraction(Answers answers, std::ostream& err, PrintMenuHandler printMenu = {});

    // By key: the answer of the option --key; without one the dialog's
    // default, except for a question the catalog marks required (AnswerMissing).
    std::optional<std::string> ask(const std::string& key, const std::string& prompt,
                                   const std::string& title,
                                   const std::string& defaultAnswer) override;
    // By key: "yes" or "no" from the option --key, else the dialog's default.
    bool confirm(const std::string& key, const std::string& prompt, const std::string& title,
                 bool defaultYes) override;
    void warn(const std::string& text, const std::string& title) override;
    void showPrintMenu() override;
    void offerSheet(const xlsx::Foglio& sheet) override { sheet_ = sheet; }

    // How many times the print menu was reached (0 or 1 for a finished report).
    int printMenuCount() const { return printMenuCount_; }

  private:
    // A report asks again while it dislikes the answer; the same answer would
    // be given forever, so a question repeated this often ends the run.
    static constexpr int kMaxAsks = 20;

    Answers answers_;
    std::ostream& err_;
    PrintMenuHandler printMenu_;
    std::map<std::string, int> asked_;
    int printMenuCount_ = 0;
    std::optional<xlsx::Foglio> sheet_;
};

}  // namespace corvex::cli
