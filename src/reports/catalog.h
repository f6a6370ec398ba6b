// The reports by name, shared by the desk and the command line.
#pragma once

#include <string>
#include <vector>

#include "reports/interaction.h"
#include "reports/request.h"

namespace corvex {

// Thrown by a report whose routine is not built yet (command line: exit 2).
class ReportNotBuilt : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct ReportEntry {
    const char* name;     // command-line name, e.g. "summary"
    const char* routine;  // routine name, e.g. "StampaRiepilogoImposta"
    ReportResult (*run)(const ReportRequest&, Interaction&);
    bool twoDates;         // --from/--to (false: --date)
    bool roomRange;        // --first-room/--last-room
    bool counter;          // --counter
    bool continueOnError;  // runs on past failures (exit 3 when it skipped something)
};

const std::vector<ReportEntry>& reportCatalog();
const ReportEntry* findReport(const std::string& name);

}  // namespace corvex
