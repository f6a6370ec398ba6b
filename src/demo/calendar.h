// Day numbers for the demo generator: days since 1970-01-01 on the
// proleptic Gregorian calendar, and the suite's yyyymmdd text.
#pragma once

#include <string>

namespace corvex::demo {

struct Ymd {
    int y, m, d;
};

inline int dayNumber(int y, int m, int d) {
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

inline Ymd civil(int z) {
    z += 719468;
    const int era = (z >= 0 ? z : z - 146096) / 146097;
    const int doe = z - era * 146097;
    const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int mp = (5 * doy + 2) / 153;
    const int d = doy - (153 * mp + 2) / 5 + 1;
    const int m = mp + (mp < 10 ? 3 : -9);
    return {yoe + era * 400 + (m <= 2), m, d};
}

inline std::string twoDigits(int n) {
    return std::string(1, static_cast<char>('0' + n / 10)) + static_cast<char>('0' + n % 10);
}

// "yyyymmdd".
inline std::string sqlDate(int day) {
    const Ymd c = civil(day);
    return std::to_string(c.y) + twoDigits(c.m) + twoDigits(c.d);
}

// "dd/mm/yyyy".
inline std::string deskDate(int day) {
    const Ymd c = civil(day);
    return twoDigits(c.d) + "/" + twoDigits(c.m) + "/" + std::to_string(c.y);
}

}  // namespace corvex::demo
