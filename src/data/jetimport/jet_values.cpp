#include "data/jetimport/jet_values.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "common/dates.h"

namespace corvex::jetimport {

namespace {

// 1899-12-30, Jet's day zero, counted from 1970-01-01.
constexpr std::int64_t kJetEpochFromUnix = -25569;

}  // namespace

std::optional<std::string> dateTimeText(double days) {
    // Years 100-9999 span about -657434 .. 2958465 days; anything far outside
    // is garbage and must not overflow the integer conversions below.
    if (!std::isfinite(days) || days < -700000.0 || days > 3000000.0) return std::nullopt;
    double datePart = std::trunc(days);
    auto seconds = static_cast<std::int64_t>(std::llround(std::fabs(days - datePart) * 86400.0));
    auto day = static_cast<std::int64_t>(datePart);
    if (seconds >= 86400) {  // 23:59:59.6 and later round into the next day
        seconds -= 86400;
        ++day;
    }
    std::int64_t y;
    unsigned m, d;
    corvex::civilFromDays(day + kJetEpochFromUnix, y, m, d);
    if (y < 100 || y > 9999) return std::nullopt;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(y), m, d,
                  static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                  static_cast<int>(seconds % 60));
    return std::string(buf);
}

std::string currencyText(std::int64_t units) {
    // Unsigned arithmetic keeps INT64_MIN exact.
    const bool negative = units < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%llu.%04llu", negative ? "-" : "",
                  static_cast<unsigned long long>(magnitude / 10000),
                  static_cast<unsigned long long>(magnitude % 10000));
    return buf;
}

double currencyValue(std::int64_t units) {
    // Below 2^53 the integer converts exactly and IEEE division rounds once, so
    // the result is the double nearest to the decimal amount.
    constexpr std::int64_t kExact = std::int64_t{1} << 53;
    if (units > -kExact && units < kExact) return static_cast<double>(units) / 10000.0;
    const std::string text = currencyText(units);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

double singleValue(float value) {
    if (!std::isfinite(value)) return static_cast<double>(value);
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    double out = static_cast<double>(value);
    std::from_chars(buf, res.ptr, out);
    return out;
}

std::string guidText(const unsigned char* b) {
    char buf[40];
    std::snprintf(buf, sizeof buf,
                  "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3],
                  b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    return buf;
}

std::string decimalText(const unsigned char* b, int scale) {
    // Four 32-bit words, most significant first, each little-endian.
    std::array<std::uint32_t, 4> words{};
    for (int w = 0; w < 4; ++w) {
        const unsigned char* p = b + 1 + 4 * w;
        words[static_cast<std::size_t>(w)] = std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                                             std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
    }
    std::string digits;
    auto isZero = [&] { return words[0] == 0 && words[1] == 0 && words[2] == 0 && words[3] == 0; };
    while (!isZero()) {
        std::uint64_t rem = 0;
        for (auto& word : words) {
            const std::uint64_t cur = rem << 32 | word;
            word = static_cast<std::uint32_t>(cur / 10);
            rem = cur % 10;
        }
        digits.insert(digits.begin(), static_cast<char>('0' + rem));
    }
    if (scale < 0) scale = 0;
    if (scale > 28) scale = 28;
    const auto sc = static_cast<std::size_t>(scale);
    if (digits.size() <= sc) digits.insert(0, sc + 1 - digits.size(), '0');
    if (sc > 0) digits.insert(digits.size() - sc, 1, '.');
    const bool negative = (b[0] & 0x80) != 0 && digits.find_first_not_of("0.") != std::string::npos;
    return negative ? "-" + digits : digits;
}

}  // namespace corvex::jetimport
