// The period of a two-date report, checked before any database is opened.
#pragma once

#include <string>

#include "reports/request.h"

namespace corvex {

struct Periodo {
    std::string dal, al;       // dd/mm/yyyy as typed (trimmed)
    std::string inizio, fine;  // the suite's yyyymmdd form, for the SQL texts
};

// Throws ReportError naming the date that is not a valid dd/mm/yyyy date.
Periodo controllaPeriodo(const ReportRequest& r);

}  // namespace corvex
