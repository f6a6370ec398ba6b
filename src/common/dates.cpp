#include "common/dates.h"

#include <array>

#include "common/text.h"

namespace corvex {

namespace {

// Basic's Val on a short field: leading blanks skipped, digits read.
int fieldValue(std::string_view s) {
    return static_cast<int>(leadingNumber(s));
}

bool allDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

std::string two(unsigned v) {
    std::string s = std::to_string(v);
    return s.size() < 2 ? "0" + s : s;
}

}  // namespace

void civilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

bool AnnoBisestile(int year) {
    return year % 4 == 0;
}

bool DataValida(std::string_view text) {
    const std::string t = trim(text);
    if (t.size() != 10) return false;
    const int day = fieldValue(t.substr(0, 2));
    const int month = fieldValue(t.substr(3, 2));
    const std::string_view yearText = std::string_view(t).substr(6, 4);
    if (!allDigits(trim(yearText))) return false;
    const int year = fieldValue(yearText);
    if (month < 1 || month > 12 || year < 1900) return false;
    std::array<int, 12> giorniMese = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    giorniMese[1] = AnnoBisestile(year) ? 29 : 28;
    return day >= 1 && day <= giorniMese[static_cast<std::size_t>(month - 1)];
}

bool ConfrontaDate(std::string_view first, std::string_view second) {
    const std::string_view a = first.substr(0, 10);
    const std::string_view b = second.substr(0, 10);
    auto part = [](std::string_view s, std::size_t pos, std::size_t n) {
        return pos < s.size() ? fieldValue(s.substr(pos, n)) : 0;
    };
    const int ya = part(a, 6, 4), yb = part(b, 6, 4);
    const int ma = part(a, 3, 2), mb = part(b, 3, 2);
    const int da = part(a, 0, 2), db = part(b, 0, 2);
    if (ya != yb) return ya < yb;
    if (ma != mb) return ma < mb;
    return da <= db;
}

std::string CompletaAnno(std::string_view text) {
    if (text.size() == 6) {
        const std::string_view yy = text.substr(4, 2);
        const std::string century = fieldValue(yy) >= 35 ? "19" : "20";
        return std::string(text.substr(0, 2)) + "/" + std::string(text.substr(2, 2)) + "/" +
               century + std::string(yy);
    }
    if (text.size() == 8) {
        return std::string(text.substr(0, 2)) + "/" + std::string(text.substr(2, 2)) + "/" +
               std::string(text.substr(4, 4));
    }
    return std::string(text);
}

std::string DataSql(std::string_view d) {
    return mid(d, 7, 4) + mid(d, 4, 2) + mid(d, 1, 2);
}

std::string DataDaSql(std::string_view s) {
    return mid(s, 7, 2) + "/" + mid(s, 5, 2) + "/" + mid(s, 1, 4);
}

std::optional<std::int64_t> NumeroGiorno(std::string_view text) {
    if (text.size() != 10 || text[2] != '/' || text[5] != '/') return std::nullopt;
    const std::string_view dd = text.substr(0, 2), mm = text.substr(3, 2), yyyy = text.substr(6, 4);
    if (!allDigits(dd) || !allDigits(mm) || !allDigits(yyyy)) return std::nullopt;
    const int d = fieldValue(dd), m = fieldValue(mm), y = fieldValue(yyyy);
    if (m < 1 || m > 12 || d < 1) return std::nullopt;
    static constexpr std::array<int, 12> lengths = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    const int maxDay = (m == 2 && leap) ? 29 : lengths[static_cast<std::size_t>(m - 1)];
    if (d > maxDay) return std::nullopt;
    return daysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d));
}

std::string DataDaNumero(std::int64_t day) {
    std::int64_t y = 0;
    unsigned m = 0, d = 0;
    civilFromDays(day, y, m, d);
    std::string year = std::to_string(y);
    if (year.size() < 4) year.insert(0, 4 - year.size(), '0');
    return two(d) + "/" + two(m) + "/" + year;
}

std::optional<std::int64_t> DifferenzaGiorni(std::string_view from, std::string_view to) {
    const auto a = NumeroGiorno(from);
    const auto b = NumeroGiorno(to);
    if (!a || !b) return std::nullopt;
    return *b - *a;
}

std::optional<std::string> AggiungiGiorni(std::string_view d, std::int64_t n) {
    const auto a = NumeroGiorno(d);
    if (!a) return std::nullopt;
    return DataDaNumero(*a + n);
}

std::optional<int> AnnoDi(std::string_view d) {
    if (d.size() < 10) return std::nullopt;
    const std::string_view y = d.substr(6, 4);
    if (!allDigits(y)) return std::nullopt;
    return fieldValue(y);
}

}  // namespace corvex
