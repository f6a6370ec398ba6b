#include "common/numfmt.h"

#include <cstdlib>

namespace corvex {

namespace {

struct Pattern {
    int decimals = 0;       // digits after the decimal point
    int minInteger = 1;     // '0' positions before the point
    bool grouping = false;  // a ',' among the integer positions
};

Pattern parsePattern(std::string_view p) {
    Pattern out;
    const auto dot = p.find('.');
    const std::string_view integer = p.substr(0, dot);
    out.minInteger = 0;
    for (char c : integer) {
        if (c == '0') ++out.minInteger;
        if (c == ',') out.grouping = true;
    }
    if (dot != std::string_view::npos) {
        for (char c : p.substr(dot + 1)) {
            if (c == '0' || c == '#') ++out.decimals;
        }
    }
    return out;
}

// Formats |units| / 10^scaleDigits with the pattern; sign handled by caller.
std::string formatMagnitude(std::uint64_t intPart, std::uint64_t fracPart, const Pattern& p) {
    std::string digits = std::to_string(intPart);
    if (intPart == 0) digits = p.minInteger > 0 ? "0" : "";
    while (static_cast<int>(digits.size()) < p.minInteger) digits.insert(0, 1, '0');
    std::string out;
    if (p.grouping) {
        const std::size_t n = digits.size();
        for (std::size_t i = 0; i < n; ++i) {
            out += digits[i];
            const std::size_t rest = n - 1 - i;
            if (rest > 0 && rest % 3 == 0) out += '.';
        }
    } else {
        out = digits;
    }
    if (p.decimals > 0) {
        std::string f = std::to_string(fracPart);
        f.insert(0, static_cast<std::size_t>(p.decimals) - f.size(), '0');
        out += ',';
        out += f;
    }
    return out;
}

}  // namespace

std::string formatNumber(Currency value, std::string_view pattern) {
    const Pattern p = parsePattern(pattern);
    const int decimals = p.decimals > 4 ? 4 : p.decimals;
    const Currency r = value.rounded(decimals);
    const std::int64_t u = r.units();
    const bool negative = u < 0;
    const std::uint64_t a =
        negative ? static_cast<std::uint64_t>(-(u + 1)) + 1 : static_cast<std::uint64_t>(u);
    std::uint64_t scale = 1;
    for (int i = decimals; i < 4; ++i) scale *= 10;
    std::uint64_t whole = a / Currency::kScale;
    std::uint64_t frac = (a % Currency::kScale) / scale;
    Pattern shown = p;
    shown.decimals = decimals;
    std::string out = formatMagnitude(whole, frac, shown);
    // Patterns with more than four decimals pad with zeros.
    for (int i = decimals; i < p.decimals; ++i) out += '0';
    if (negative && (whole != 0 || frac != 0)) out.insert(0, 1, '-');
    if (out.empty()) out = "0";
    return out;
}

std::string formatNumber(std::int64_t value, std::string_view pattern) {
    return formatNumber(Currency::whole(value), pattern);
}

}  // namespace corvex
