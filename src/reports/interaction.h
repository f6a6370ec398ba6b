// How a report talks to the user. The desk implements it with the system's
// dialogs and the print menu; the command line with its options.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

#include "common/errors.h"  // ReportError
#include "output/xlsx.h"

namespace corvex {

// Thrown when the user abandons a report (Annulla on a question, Cancel on
// the progress dialog): no report file is kept, no print menu opens.
class ReportCancelled : public std::runtime_error {
  public:
    ReportCancelled() : std::runtime_error("stampa annullata") {}
};

// The stable keys of the questions the reports ask while they run. The
// command line answers each from the option of the same name (--max-nights
// for "max-nights"); the catalog describes them (catalog.h findQuestion).
namespace question {
inline constexpr const char* kMaxNights = "max-nights";
inline constexpr const char* kMinAge = "min-age";
inline constexpr const char* kCounter = "counter";
inline constexpr const char* kComplete = "complete";
inline constexpr const char* kTotalsOnly = "totals-only";
inline constexpr const char* kDocType = "doc-type";
inline constexpr const char* kYear = "year";
inline constexpr const char* kOutput = "output";
}  // namespace question

// Prompts, titles, warnings and progress texts are UTF-8 messages; answers
// and default answers are report data (code page 1252).
class Interaction {
  public:
    virtual ~Interaction() = default;
    // The system's input box for the question `key`: prompt, title, default
    // answer. nullopt when the user cancels (the caller abandons the report by
    // throwing ReportCancelled).
    virtual std::optional<std::string> ask(const std::string& key, const std::string& prompt,
                                           const std::string& title,
                                           const std::string& defaultAnswer) = 0;
    // A yes/no question.
    virtual bool confirm(const std::string& key, const std::string& prompt,
                         const std::string& title, bool defaultYes) = 0;
    // A warning the user must see; never stops the report.
    virtual void warn(const std::string& text, const std::string& title) = 0;
    // The report file is written and closed: show the print menu (modal).
    virtual void showPrintMenu() = 0;
    // The report's table with typed cells, handed by the reports that have
    // one just before showPrintMenu: the print menu offers it as XLSX (the
    // command line's --xlsx). Reports without one never call this.
    virtual void offerSheet(const xlsx::Foglio& /*sheet*/) {}
    // Progress of a long report ("12/03/2024", "guest 1200 of 3000"). May
    // throw ReportCancelled when the user stops the report.
    virtual void progress(const std::string& /*where*/) {}
};

}  // namespace corvex
