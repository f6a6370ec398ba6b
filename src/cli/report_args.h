// `corvex report NAME [options]`: from the command line's words to what a
// print button hands to its report. Parsing is separate from running so that
// every rule here can be checked without a data folder's databases.
#pragma once

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/pg/pg_reader.h"
#include "output/headless.h"
#include "reports/catalog.h"
#include "reports/request.h"

namespace corvex::cli {

// A command line that cannot be run as written (exit 2); what() (UTF-8,
// Italian) names the option and the value at fault.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Answers to the questions a report asks while it runs, by the question's
// key (catalog.h), each checked and in its plain form ("7", "yes", "no").
// A question without an answer gets its dialog's default.
using Answers = std::map<std::string, std::string>;

// One report run, ready to go.
struct ReportInvocation {
    const ReportEntry* entry = nullptr;
    ReportRequest request;
    Answers answers;
    bool printStdout = false;          // --print-stdout or "-"
    RichiestaUscita output;            // --pdf, --csv, --print and the print menu's check boxes
    std::vector<std::string> notices;  // UTF-8 notes for stderr (e.g. CamereImp.txt in force)
};

// A date option's text (UTF-8, as typed) completed as the desk completes a
// date field on Enter (ddmmyy, ddmmyyyy) and checked: the result is a real
// "dd/mm/yyyy" date in code page 1252. Throws UsageError naming the option.
std::string completeDate(const std::string& typed, const std::string& option);

// Parses the words after "report" (NAME first). Dates default to today (the
// program's clock), rooms to "" and "ZZZZZZ", trimmed and then replaced by
// CamereImp.txt when that file is in the current directory. Throws UsageError
// for an unknown report or option, an option the report does not take, a
// missing value, an invalid date or number, a missing required answer.
ReportInvocation parseReportArgs(const std::vector<std::string>& args);
// Same, with the report looked up in another table (tests).
ReportInvocation parseReportArgs(const std::vector<std::string>& args,
                                 const std::vector<ReportEntry>& catalog);

// Takes --db URL and --property NAME (either form) out of args: the server a
// report reads from, else CORVEX_DB and CORVEX_PROPERTY from the environment,
// else nullopt (the data folder). Throws UsageError when one is given without
// the other or twice, or the property is no valid name.
std::optional<db::ServerChoice> takeServerOptions(std::vector<std::string>& args);

// Whether any output of the print menu (PDF, CSV, printing) was asked for.
bool wantsOutput(const RichiestaUscita& output);

// The options a report takes besides those every report takes, one per
// line, for the help text.
std::string reportOptionsUsage(const ReportEntry& entry);

// The options every report takes (output and --print-stdout), one per line.
std::string commonOptionsUsage();

}  // namespace corvex::cli
