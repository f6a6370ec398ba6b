#include "common/clock.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "common/dates.h"

namespace corvex {

namespace {

std::string two(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

}  // namespace

Momento now() {
    // CORVEX_NOW fixes the clock for tests and scripted runs:
    // "dd/mm/yyyy" or "dd/mm/yyyy hh:mm". A malformed value is ignored.
    if (const char* fixed = std::getenv("CORVEX_NOW"); fixed != nullptr && *fixed != '\0') {
        const std::string text(fixed);
        if (NumeroGiorno(text.substr(0, 10))) {
            Momento m{std::atoi(text.substr(6, 4).c_str()), std::atoi(text.substr(3, 2).c_str()),
                      std::atoi(text.substr(0, 2).c_str()), 0, 0};
            if (text.size() >= 16 && text[10] == ' ' && text[13] == ':') {
                m.hour = std::atoi(text.substr(11, 2).c_str());
                m.minute = std::atoi(text.substr(14, 2).c_str());
            }
            return m;
        }
    }
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return Momento{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                   local.tm_min};
}

std::string todayText() {
    const Momento m = now();
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", m.day, m.month, m.year);
    return buf;
}

std::string timestampText() {
    const Momento m = now();
    return std::to_string(m.year) + two(m.month) + two(m.day) + two(m.hour) + two(m.minute);
}

}  // namespace corvex
