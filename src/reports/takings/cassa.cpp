#include "reports/catalog.h"
#include "reports/reports.h"

namespace corvex {

ReportResult StampaCassa(const ReportRequest&, Interaction&) {
    throw ReportNotBuilt("StampaCassa is not built yet");
}

}  // namespace corvex
