#include "reports/catalog.h"

#include "reports/reports.h"

namespace corvex {

const std::vector<ReportEntry>& reportCatalog() {
    static const std::vector<ReportEntry> entries = {
        // name, routine, run, twoDates, roomRange, counter, continueOnError
        {"guests-present", "StampaOspitiPresenti", &StampaOspitiPresenti, true, false, false, true},
        {"arrivals", "StampaArriviPresenze", &StampaArriviPresenze, true, true, false, false},
        {"summary", "StampaRiepilogoImposta", &StampaRiepilogoImposta, true, true, false, false},
        {"departures", "StampaSuPartenze", &StampaSuPartenze, true, true, false, false},
        {"daily-check", "VerificaImposteAssegnate", &VerificaImposteAssegnate, false, true, false,
         false},
        {"accrued", "StampaImpostaMaturata", &StampaImpostaMaturata, false, false, false, false},
        {"fiscal-detail", "StampaDettaglioImposta", &StampaDettaglioImposta, true, true, true,
         false},
        {"takings-register", "StampaCorrispettivi", &StampaCorrispettivi, true, false, true, false},
        {"cash-table", "StampaCassa", &StampaCassa, true, true, true, true},
    };
    return entries;
}

const ReportEntry* findReport(const std::string& name) {
    for (const auto& e : reportCatalog()) {
        if (name == e.name) return &e;
    }
    return nullptr;
}

}  // namespace corvex
