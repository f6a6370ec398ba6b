// Pieces shared by the reports on the guest register: the checked period,
// the walk over a recordset and the names of the charge fields.
#pragma once

#include <string>

#include "common/dates.h"
#include "common/text.h"
#include "data/engine/recordset.h"
#include "reports/interaction.h"
#include "reports/request.h"

namespace corvex::registro {

// The criterion every recordset of the suite is walked with.
inline constexpr const char* kCriterioHotel = "NumeroHotel = 1";

// "Quantità" in code page 1252, as the engine names the field.
inline const std::string& campoQuantita() {
    static const std::string name = cp("Quantità");
    return name;
}

// The period of a request, checked: dal/al as dd/mm/yyyy, inizio/fine in the
// suite's yyyymmdd form for the SQL texts.
struct Periodo {
    std::string dal, al;
    std::string inizio, fine;
};

inline Periodo periodoControllato(const ReportRequest& r) {
    Periodo p{trim(r.dal), trim(r.al), {}, {}};
    if (!DataValida(p.dal)) {
        throw ReportError(cp("Data iniziale del periodo non valida: \"") + r.dal +
                          "\" (gg/mm/aaaa).");
    }
    if (!DataValida(p.al)) {
        throw ReportError(cp("Data finale del periodo non valida: \"") + r.al + "\" (gg/mm/aaaa).");
    }
    p.inizio = DataSql(p.dal);
    p.fine = DataSql(p.al);
    return p;
}

// Calls fn() on every row of rs that matches kCriterioHotel, in recordset order.
template <class Fn>
void perOgniRiga(db::Recordset& rs, Fn&& fn) {
    for (bool found = rs.findFirst(kCriterioHotel); found; found = rs.findNext(kCriterioHotel)) {
        fn();
    }
}

}  // namespace corvex::registro
