#include "common/clock.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <initializer_list>
#include <optional>

#include "common/dates.h"

namespace corvex {

namespace {

std::string two(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

bool digitsAt(const std::string& t, std::initializer_list<std::size_t> positions) {
    for (std::size_t i : positions) {
        if (i >= t.size() || t[i] < '0' || t[i] > '9') return false;
    }
    return true;
}

// "dd/mm/yyyy" or "dd/mm/yyyy hh:mm", a real date, hour 0..23, minute 0..59.
std::optional<Momento> fixedMoment(const std::string& text) {
    const bool withTime = text.size() == 16;
    if (text.size() != 10 && !withTime) return std::nullopt;
    if (!NumeroGiorno(text.substr(0, 10)) || !digitsAt(text, {0, 1, 3, 4, 6, 7, 8, 9})) {
        return std::nullopt;
    }
    Momento m{std::stoi(text.substr(6, 4)), std::stoi(text.substr(3, 2)),
              std::stoi(text.substr(0, 2)), 0, 0};
    if (withTime) {
        if (text[10] != ' ' || text[13] != ':' || !digitsAt(text, {11, 12, 14, 15})) {
            return std::nullopt;
        }
        m.hour = std::stoi(text.substr(11, 2));
        m.minute = std::stoi(text.substr(14, 2));
        if (m.hour > 23 || m.minute > 59) return std::nullopt;
    }
    return m;
}

}  // namespace

Momento now() {
    // CORVEX_NOW fixes the clock for tests and scripted runs.
    if (const char* fixed = std::getenv("CORVEX_NOW"); fixed != nullptr && *fixed != '\0') {
        if (auto m = fixedMoment(fixed)) return *m;
        throw InvalidClock(std::string("CORVEX_NOW: \"") + fixed +
                           "\" non è una data valida (gg/mm/aaaa oppure gg/mm/aaaa hh:mm, ore "
                           "00-23, minuti 00-59)");
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
