// The tourist tax of a year month by month, for the desk's chart: the
// person-nights by category and the tax due, collected and paid over. The
// figures are those of the filings (calcolo_imposta.h): a month here is
// Modello 21's month, three of them the annual declaration's quarter.
#pragma once

#include <array>
#include <cstdint>

#include "common/currency.h"
#include "reports/interaction.h"

namespace corvex::filings {

struct MeseAndamento {
    int mese = 0;  // 1..12
    // Person-nights by category.
    std::int64_t piena = 0, ridotta = 0, esenti = 0, escluse = 0;
    Currency dovuta;    // nights x rate in force
    Currency riscossa;  // on the fiscal documents issued in the month
    Currency versata;   // payments dated in the month
};

// The twelve months of a year, read in one pass. Throws ReportError (a
// missing category, missing settings) or db::DbError, as the filings do.
std::array<MeseAndamento, 12> andamentoAnno(int anno, Interaction* io = nullptr);

}  // namespace corvex::filings
