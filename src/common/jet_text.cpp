#include "common/jet_text.h"

#include <array>
#include <cstdio>

namespace corvex::db::jet {

namespace {

// Code points of the code page 1252 bytes 0x80..0x9F (undefined ones kept as is).
constexpr std::uint16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Letter a lower-case accented letter of code page 1252 sorts with, else the
// code point itself: à with a, é with e, ñ with n, š with s. Letters with no
// base letter (æ, ð, ß, þ, œ) keep their code points.
std::uint32_t baseLetter(std::uint32_t c) {
    if (c < 0xE0) return c;
    if (c <= 0xE5) return 'a';
    if (c == 0xE7) return 'c';
    if (c >= 0xE8 && c <= 0xEB) return 'e';
    if (c >= 0xEC && c <= 0xEF) return 'i';
    if (c == 0xF1) return 'n';
    if ((c >= 0xF2 && c <= 0xF6) || c == 0xF8) return 'o';
    if (c >= 0xF9 && c <= 0xFC) return 'u';
    if (c == 0xFD || c == 0xFF) return 'y';
    if (c == 0x0161) return 's';
    if (c == 0x017E) return 'z';
    return c;
}

struct Tables {
    std::array<unsigned char, 256> fold{};
    std::array<unsigned char, 256> upper{};
    std::array<std::uint32_t, 256> folded{};
    std::array<std::uint32_t, 256> base{};
    Tables() {
        for (int c = 0; c < 256; ++c) {
            int f = c, u = c;
            if (c >= 'A' && c <= 'Z') f = c + 32;
            if (c >= 'a' && c <= 'z') u = c - 32;
            if (c >= 0xC0 && c <= 0xDE && c != 0xD7) f = c + 32;
            if (c >= 0xE0 && c <= 0xFE && c != 0xF7) u = c - 32;
            if (c == 0x8A || c == 0x8C || c == 0x8E) f = c + 16;  // Š Œ Ž
            if (c == 0x9A || c == 0x9C || c == 0x9E) u = c - 16;
            if (c == 0x9F) f = 0xFF;  // Ÿ
            if (c == 0xFF) u = 0x9F;
            fold[c] = static_cast<unsigned char>(f);
            upper[c] = static_cast<unsigned char>(u);
        }
        for (int c = 0; c < 256; ++c) {
            int f = fold[c];
            folded[c] = f >= 0x80 && f < 0xA0 ? kHigh[f - 0x80] : static_cast<std::uint32_t>(f);
            base[c] = baseLetter(folded[c]);
        }
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

// Folds a Unicode code point of the code page 1252 repertoire to lower case.
std::uint32_t foldCodePoint(std::uint32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    switch (c) {
        case 0x0160:
            return 0x0161;
        case 0x0152:
            return 0x0153;
        case 0x017D:
            return 0x017E;
        case 0x0178:
            return 0x00FF;
        default:
            return c;
    }
}

// Decodes one UTF-8 character; invalid bytes stand for themselves.
std::uint32_t decode(const unsigned char*& p, const unsigned char* end) {
    unsigned char c = *p++;
    if (c < 0x80) return c;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (extra == 0 || end - p < extra) return c;
    std::uint32_t cp = c & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        if ((p[i] & 0xC0) != 0x80) return c;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    p += extra;
    return cp;
}

}  // namespace

unsigned char foldByte(unsigned char c) {
    return tables().fold[c];
}
std::uint32_t foldedCodePoint(unsigned char c) {
    return tables().folded[c];
}
std::uint32_t baseCodePoint(unsigned char c) {
    return tables().base[c];
}
// Two levels, decided in one pass: the base letters of the whole texts first
// (so "à1" < "A2" < "É1"), then, between texts equal there, the first
// case-folded character that differs (a < à). Zero only for texts equal
// without regard to case, as equalNoCase.
int compareNoCase(std::string_view a, std::string_view b) {
    const auto& t = tables();
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    int accent = 0;
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x == y) continue;
        std::uint32_t bx = t.base[x], by = t.base[y];
        if (bx != by) return bx < by ? -1 : 1;
        if (accent == 0 && t.folded[x] != t.folded[y]) accent = t.folded[x] < t.folded[y] ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return accent;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    const auto& f = tables().fold;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (f[static_cast<unsigned char>(a[i])] != f[static_cast<unsigned char>(b[i])])
            return false;
    }
    return true;
}

std::string foldCase(std::string_view s) {
    const auto& f = tables().fold;
    std::string out(s);
    for (char& c : out) c = static_cast<char>(f[static_cast<unsigned char>(c)]);
    return out;
}

std::string upperCase(std::string_view s) {
    const auto& u = tables().upper;
    std::string out(s);
    for (char& c : out) c = static_cast<char>(u[static_cast<unsigned char>(c)]);
    return out;
}

int compareUtf8NoCase(const void* a, int na, const void* b, int nb) {
    auto pa = static_cast<const unsigned char*>(a), ea = pa + na;
    auto pb = static_cast<const unsigned char*>(b), eb = pb + nb;
    int accent = 0;
    while (pa < ea && pb < eb) {
        // ASCII fast path: its letters are their own base letters.
        if (*pa < 0x80 && *pb < 0x80) {
            unsigned char x = *pa++, y = *pb++;
            if (x == y) continue;
            if (x >= 'A' && x <= 'Z') x += 32;
            if (y >= 'A' && y <= 'Z') y += 32;
            if (x != y) return x < y ? -1 : 1;
            continue;
        }
        std::uint32_t x = foldCodePoint(decode(pa, ea)), y = foldCodePoint(decode(pb, eb));
        if (x == y) continue;
        std::uint32_t bx = baseLetter(x), by = baseLetter(y);
        if (bx != by) return bx < by ? -1 : 1;
        if (accent == 0) accent = x < y ? -1 : 1;
    }
    if (pa < ea) return 1;
    if (pb < eb) return -1;
    return accent;
}

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

}  // namespace

std::optional<std::int64_t> dayNumber(std::string_view s) {
    if (s.size() != 8) return std::nullopt;
    int v[8];
    for (int i = 0; i < 8; ++i) {
        if (s[i] < '0' || s[i] > '9') return std::nullopt;
        v[i] = s[i] - '0';
    }
    int y = v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3];
    unsigned m = static_cast<unsigned>(v[4] * 10 + v[5]),
             d = static_cast<unsigned>(v[6] * 10 + v[7]);
    static constexpr unsigned kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12 || d < 1 || d > kDays[m - 1]) return std::nullopt;
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (m == 2 && d == 29 && !leap) return std::nullopt;
    return daysFromCivil(y, m, d);
}

std::string dateText(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
    if (y < 0) return "00000000";
    if (y > 9999) return "99999999";
    std::string out(8, '0');
    int yy = static_cast<int>(y);
    for (int i = 3; i >= 0; --i, yy /= 10)
        out[static_cast<std::size_t>(i)] = static_cast<char>('0' + yy % 10);
    out[4] = static_cast<char>('0' + m / 10);
    out[5] = static_cast<char>('0' + m % 10);
    out[6] = static_cast<char>('0' + d / 10);
    out[7] = static_cast<char>('0' + d % 10);
    return out;
}

}  // namespace corvex::db::jet
