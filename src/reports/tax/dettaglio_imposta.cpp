#include "reports/catalog.h"
#include "reports/reports.h"

namespace corvex {

ReportResult StampaDettaglioImposta(const ReportRequest&, Interaction&) {
    throw ReportNotBuilt("StampaDettaglioImposta is not built yet");
}

}  // namespace corvex
