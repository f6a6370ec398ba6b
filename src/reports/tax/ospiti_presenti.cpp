#include "reports/catalog.h"
#include "reports/reports.h"

namespace corvex {

ReportResult StampaOspitiPresenti(const ReportRequest&, Interaction&) {
    throw ReportNotBuilt("StampaOspitiPresenti is not built yet");
}

}  // namespace corvex
