// FormattaImporto: normalises a field value by mode (the desk's fields, item
// descriptions, amounts).
#pragma once

#include <string>
#include <string_view>

#include "common/currency.h"

namespace corvex {

// Text version: trims, upper-cases, keeps/replaces/drops characters by mode
// 0..4; an empty result is " " in mode 0, "0" otherwise; modes 2 and 3 then
// format with "##,###,##0.00" (so "1234,5" gives "1.234,50").
std::string FormattaImporto(std::string_view value, int mode);
// Amount version: formats the amount's value in mode 2 or 3 ("##,###,##0.00"),
// never a locale-dependent text of it: 1234.5 gives "1.234,50".
std::string FormattaImporto(Currency value, int mode = 2);

}  // namespace corvex
