#include "data/engine/value.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace corvex::db {

namespace {

std::string_view stripBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Whole-text number: "12", "-3.25", "1e3". Anything else is not a number.
bool parseNumber(std::string_view s, double& out) {
    s = stripBlanks(s);
    if (s.empty()) return false;
    if (s.front() == '+') s.remove_prefix(1);
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size();
}

bool parseInteger(std::string_view s, std::int64_t& out) {
    s = stripBlanks(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size();
}

std::int64_t roundToInt(double d) {
    if (std::isnan(d)) return 0;
    if (d >= 9.2e18) return std::numeric_limits<std::int64_t>::max();
    if (d <= -9.2e18) return std::numeric_limits<std::int64_t>::min();
    return std::llround(d);  // half away from zero
}

// Currency units of an exact decimal text ("12.3456", "-0,5"), without the
// detour through double.
bool parseCurrencyText(std::string_view s, std::int64_t& units) {
    s = stripBlanks(s);
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty()) return false;
    std::int64_t whole = 0, frac = 0;
    int fracDigits = 0;
    bool any = false, inFrac = false;
    for (char c : s) {
        if (c == '.' || c == ',') {
            if (inFrac) return false;
            inFrac = true;
        } else if (c >= '0' && c <= '9') {
            any = true;
            if (!inFrac) {
                if (whole > 900000000000000) return false;
                whole = whole * 10 + (c - '0');
            } else if (fracDigits < 5) {
                frac = frac * 10 + (c - '0');
                ++fracDigits;
            }
        } else {
            return false;
        }
    }
    if (!any) return false;
    // Five fractional digits kept: round the fifth half away from zero.
    while (fracDigits < 5) {
        frac *= 10;
        ++fracDigits;
    }
    std::int64_t u = whole * Currency::kScale + (frac + 5) / 10;
    units = negative ? -u : u;
    return true;
}

std::string plainDouble(double d) {
    if (std::isnan(d) || std::isinf(d)) return "0";
    if (d == 0) return "0";
    char buf[400];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed);
    if (ec != std::errc()) return "0";
    return std::string(buf, p);
}

std::string plainCurrency(Currency c) {
    std::int64_t u = c.units();
    bool negative = u < 0;
    // Work on the unsigned magnitude so that the minimum value does not overflow.
    std::uint64_t m = negative ? 0 - static_cast<std::uint64_t>(u) : static_cast<std::uint64_t>(u);
    std::string text = std::to_string(m / Currency::kScale);
    std::uint64_t frac = m % Currency::kScale;
    if (frac != 0) {
        std::string digits = std::to_string(frac);
        digits.insert(0, 4 - digits.size(), '0');
        while (digits.back() == '0') digits.pop_back();
        text += '.' + digits;
    }
    return negative ? '-' + text : text;
}

}  // namespace

std::int64_t Value::toInt() const {
    switch (type()) {
        case Type::Null:
            return 0;
        case Type::Integer:
            return std::get<std::int64_t>(v_);
        case Type::Currency: {
            std::int64_t u = std::get<Currency>(v_).units();
            std::int64_t q = u / Currency::kScale, r = u % Currency::kScale;
            if (r >= Currency::kScale / 2) ++q;
            if (r <= -Currency::kScale / 2) --q;
            return q;
        }
        case Type::Double:
            return roundToInt(std::get<double>(v_));
        case Type::Text: {
            const std::string& s = std::get<std::string>(v_);
            std::int64_t i;
            if (parseInteger(s, i)) return i;
            double d;
            return parseNumber(s, d) ? roundToInt(d) : 0;
        }
    }
    return 0;
}

Currency Value::toCurrency() const {
    switch (type()) {
        case Type::Null:
            return Currency();
        case Type::Integer:
            return Currency::whole(std::get<std::int64_t>(v_));
        case Type::Currency:
            return std::get<Currency>(v_);
        case Type::Double:
            return Currency::fromUnits(roundToInt(std::get<double>(v_) * 10000.0));
        case Type::Text: {
            std::int64_t u;
            if (parseCurrencyText(std::get<std::string>(v_), u)) return Currency::fromUnits(u);
            double d;
            if (parseNumber(std::get<std::string>(v_), d))
                return Currency::fromUnits(roundToInt(d * 10000.0));
            return Currency();
        }
    }
    return Currency();
}

double Value::toDouble() const {
    switch (type()) {
        case Type::Null:
            return 0;
        case Type::Integer:
            return static_cast<double>(std::get<std::int64_t>(v_));
        case Type::Currency:
            return static_cast<double>(std::get<Currency>(v_).units()) / Currency::kScale;
        case Type::Double:
            return std::get<double>(v_);
        case Type::Text: {
            double d;
            return parseNumber(std::get<std::string>(v_), d) ? d : 0;
        }
    }
    return 0;
}

std::string Value::toText() const {
    switch (type()) {
        case Type::Null:
            return {};
        case Type::Integer:
            return std::to_string(std::get<std::int64_t>(v_));
        case Type::Currency:
            return plainCurrency(std::get<Currency>(v_));
        case Type::Double:
            return plainDouble(std::get<double>(v_));
        case Type::Text:
            return std::get<std::string>(v_);
    }
    return {};
}

}  // namespace corvex::db
