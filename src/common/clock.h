// The program's one clock for "today" and "now".
//
// Start-up dates, ages and time stamps all read this clock. Tests and scripted
// runs fix it with the environment variable CORVEX_NOW, "dd/mm/yyyy" or
// "dd/mm/yyyy hh:mm"; otherwise it is the machine's local time.
#pragma once

#include <string>

namespace corvex {

struct Momento {
    int year, month, day, hour, minute;
};

Momento now();
std::string todayText();      // "dd/mm/yyyy"
std::string timestampText();  // "yyyymmddhhmm", for archive copies

}  // namespace corvex
