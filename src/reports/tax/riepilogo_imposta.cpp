#include "reports/catalog.h"
#include "reports/reports.h"

namespace corvex {

ReportResult StampaRiepilogoImposta(const ReportRequest&, Interaction&) {
    throw ReportNotBuilt("StampaRiepilogoImposta is not built yet");
}

}  // namespace corvex
