#include "reports/catalog.h"
#include "reports/reports.h"

namespace corvex {

ReportResult StampaCorrispettivi(const ReportRequest&, Interaction&) {
    throw ReportNotBuilt("StampaCorrispettivi is not built yet");
}

}  // namespace corvex
