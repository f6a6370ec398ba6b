#include "reports/catalog.h"
#include "reports/reports.h"

namespace corvex {

ReportResult StampaArriviPresenze(const ReportRequest&, Interaction&) {
    throw ReportNotBuilt("StampaArriviPresenze is not built yet");
}

}  // namespace corvex
