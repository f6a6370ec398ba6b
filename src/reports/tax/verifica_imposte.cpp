#include "reports/catalog.h"
#include "reports/reports.h"

namespace corvex {

ReportResult VerificaImposteAssegnate(const ReportRequest&, Interaction&) {
    throw ReportNotBuilt("VerificaImposteAssegnate is not built yet");
}

}  // namespace corvex
