#include "reports/periodo.h"

#include "common/dates.h"
#include "common/text.h"
#include "reports/interaction.h"

namespace corvex {

Periodo controllaPeriodo(const ReportRequest& r) {
    Periodo p{trim(r.dal), trim(r.al), {}, {}};
    if (!DataValida(p.dal)) {
        throw ReportError("La data iniziale \"" + r.dal + cp("\" non è valida (gg/mm/aaaa)"));
    }
    if (!DataValida(p.al)) {
        throw ReportError("La data finale \"" + r.al + cp("\" non è valida (gg/mm/aaaa)"));
    }
    p.dalSql = DataSql(p.dal);
    p.alSql = DataSql(p.al);
    return p;
}

}  // namespace corvex
