#include "reports/periodo.h"

#include "common/dates.h"
#include "common/text.h"
#include "reports/interaction.h"

namespace corvex {

Periodo controllaPeriodo(const ReportRequest& r) {
    Periodo p{trim(r.dal), trim(r.al), {}, {}};
    if (!DataValida(p.dal)) {
        throw ReportError("La data iniziale \"" + cp1252ToUtf8(r.dal) +
                          "\" non è valida (gg/mm/aaaa)");
    }
    if (!DataValida(p.al)) {
        throw ReportError("La data finale \"" + cp1252ToUtf8(r.al) +
                          "\" non è valida (gg/mm/aaaa)");
    }
    p.inizio = DataSql(p.dal);
    p.fine = DataSql(p.al);
    return p;
}

}  // namespace corvex
