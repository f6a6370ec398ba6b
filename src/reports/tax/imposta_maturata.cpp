#include "reports/catalog.h"
#include "reports/reports.h"

namespace corvex {

ReportResult StampaImpostaMaturata(const ReportRequest&, Interaction&) {
    throw ReportNotBuilt("StampaImpostaMaturata is not built yet");
}

}  // namespace corvex
