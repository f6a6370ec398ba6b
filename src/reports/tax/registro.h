// Pieces shared by the reports on the guest register: the criterion their
// recordsets are walked with and the names of the charge fields.
#pragma once

#include <string>

#include "common/text.h"

namespace corvex::registro {

// The criterion every recordset of the suite is walked with.
inline constexpr const char* kCriterioHotel = "NumeroHotel = 1";

// "Quantità" in code page 1252, as the engine names the field.
inline const std::string& campoQuantita() {
    static const std::string name = cp("Quantità");
    return name;
}

}  // namespace corvex::registro
