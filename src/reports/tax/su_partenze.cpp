#include "reports/catalog.h"
#include "reports/reports.h"

namespace corvex {

ReportResult StampaSuPartenze(const ReportRequest&, Interaction&) {
    throw ReportNotBuilt("StampaSuPartenze is not built yet");
}

}  // namespace corvex
