// How far a report over a period has gone. The reports that walk a period
// day by day report each day as "dd/mm/yyyy"; with the request's dates known
// that day says which share of the period is done.
#pragma once

#include <optional>
#include <string>

class QProgressDialog;

namespace corvex::qt {

struct Avanzamento {
    int fatti = 0;   // days done, the day reported included
    int totale = 0;  // days of the period
};

// The days done when where is a day of the period [dal, al]; nullopt when it
// is not a date, lies outside the period, or the period is not valid.
std::optional<Avanzamento> avanzamentoPeriodo(const std::string& where, const std::string& dal,
                                              const std::string& al);

// Shows where (UTF-8) on the dialog, and the share done as its bar: a
// measured bar for a day of the period, a busy bar until the first one.
void segnaAvanzamento(QProgressDialog& dialog, const std::string& where, const std::string& dal,
                      const std::string& al);

}  // namespace corvex::qt
