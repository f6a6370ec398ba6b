// The accrued report's count without its list: what the tax ledger reads at
// each month end.
#pragma once

#include <string>

#include "common/currency.h"
#include "reports/interaction.h"

namespace corvex {

struct MaturataAl {
    Currency quantita;  // tax units
    Currency importo;
};

// The tax units and amount charged from arrival through `data` (dd/mm/yyyy,
// valid) to the guests lodged on that day, live and archived, summed over the
// tax items of VociIdS as the accrued report totals them. Writes nothing:
// neither SchClienti.mdb nor the report file.
MaturataAl ImpostaMaturataAl(const std::string& data, Interaction& io);

}  // namespace corvex
