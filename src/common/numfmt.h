// Italian number formats, independent of the machine's locale.
//
// The reports format numbers with Basic-style patterns; the decimal mark is
// always ',' and the thousands mark '.', as on an Italian workstation.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/currency.h"

namespace corvex {

// Formats with a pattern made of '#', '0', ',' (grouping) and '.' (decimal
// point), e.g. "0.00" -> "1234,50", "#,##0.00" -> "1.234,50",
// "###,###,##0.00", "##,###,##0.00", "#######0.00", "#####0.000", "0.000",
// "0". Rounds half away from zero to the pattern's decimals. A negative value
// gets a leading '-' (and "-0,00" never appears: a value that rounds to zero
// prints without sign). Leading '#' positions produce no blanks: the result is
// never padded.
std::string formatNumber(Currency value, std::string_view pattern);
std::string formatNumber(std::int64_t value, std::string_view pattern);

// Shorthands for the two patterns every report uses.
inline std::string format00(Currency v) {
    return formatNumber(v, "0.00");
}  // 1234,50
inline std::string formatGrouped(Currency v) {
    return formatNumber(v, "#,##0.00");
}  // 1.234,50

}  // namespace corvex
