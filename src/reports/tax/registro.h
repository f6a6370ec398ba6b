// Pieces shared by the reports on the guest register: the criterion their
// recordsets are walked with and the names of the charge fields.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/text.h"
#include "reports/interaction.h"

namespace corvex::registro {

// The criterion every recordset of the suite is walked with.
inline constexpr const char* kCriterioHotel = "NumeroHotel = 1";

// "Quantità" in code page 1252, as the engine names the field.
inline const std::string& campoQuantita() {
    static const std::string name = cp("Quantità");
    return name;
}

// The limits of the guest lists (guests-present, stays-export): the most
// nights taxed per guest and the youngest age taxed.
struct LimitiOspiti {
    std::int64_t nottiMassime = 0;
    std::int64_t etaMinima = 0;
};

// Asks both limits, each until it is acceptable (nights at least 1, age at
// least 0). An answer that is not a whole number leaves the value as it was
// (0 at the start); a cancelled question abandons the report.
inline LimitiOspiti chiediLimitiOspiti(Interaction& io) {
    auto chiedi = [&io](const char* key, const char* prompt, const char* titolo,
                        std::int64_t minimo) {
        std::int64_t valore = 0;
        do {
            std::optional<std::string> risposta = io.ask(key, prompt, titolo, "");
            if (!risposta) throw ReportCancelled();
            std::int64_t letto = 0;
            if (parseWhole(*risposta, letto)) valore = letto;
        } while (valore < minimo);
        return valore;
    };
    LimitiOspiti l;
    l.nottiMassime = chiedi(
        question::kMaxNights,
        "Inserire il numero di notti massimo a cui applicare la tassa di soggiorno", "Notti", 1);
    l.etaMinima = chiedi(question::kMinAge,
                         "Inserire l'età minima degli ospiti a cui applicare la tassa di soggiorno",
                         "Anni", 0);
    return l;
}

}  // namespace corvex::registro
