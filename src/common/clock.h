// The program's one clock for "today" and "now".
//
// Start-up dates, ages and time stamps all read this clock. Tests and scripted
// runs fix it with the environment variable CORVEX_NOW, "dd/mm/yyyy" or
// "dd/mm/yyyy hh:mm"; otherwise it is the machine's local time.
#pragma once

#include <stdexcept>
#include <string>

namespace corvex {

struct Momento {
    int year, month, day, hour, minute;
};

// CORVEX_NOW set but not a real date (and time): a typo must not run the
// reports on today's dates. The message names the variable and its value.
class InvalidClock : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

Momento now();                // throws InvalidClock
std::string todayText();      // "dd/mm/yyyy"
std::string timestampText();  // "yyyymmddhhmm", for archive copies

}  // namespace corvex
