#include "common/currency.h"

#include <cmath>
#include <cstdlib>

namespace corvex {

CurrencyOverflow::CurrencyOverflow()
    : std::overflow_error(
          "importo fuori dall'intervallo della valuta (±922.337.203.685.477,5807)") {}

void detail::throwCurrencyOverflow() {
    throw CurrencyOverflow();
}

Currency Currency::fromDouble(double d) {
    // Round half away from zero at 1/10000. Values read from REAL columns are
    // near a multiple of 1/10000; adding a tiny bias absorbs binary noise.
    const double scaled = d * static_cast<double>(kScale);
    // 2^63 is exactly representable: anything not below it in magnitude (or
    // NaN) has no Currency.
    if (!(std::fabs(scaled) < 9223372036854775808.0)) throw CurrencyOverflow();
    return Currency(static_cast<std::int64_t>(std::llround(scaled)));
}

std::optional<Currency> Currency::parse(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    std::size_t end = text.size();
    while (end > i && text[end - 1] == ' ') --end;
    if (i == end) return std::nullopt;
    bool negative = false;
    if (text[i] == '-' || text[i] == '+') {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t whole = 0;
    std::int64_t frac = 0;
    int fracDigits = 0;
    bool anyDigit = false;
    bool inFraction = false;
    bool roundUp = false;
    for (; i < end; ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            anyDigit = true;
            if (!inFraction) {
                if (whole > (INT64_MAX / kScale - 9) / 10) return std::nullopt;
                whole = whole * 10 + (c - '0');
            } else if (fracDigits < 4) {
                frac = frac * 10 + (c - '0');
                ++fracDigits;
            } else if (fracDigits == 4) {
                roundUp = c >= '5';
                ++fracDigits;
            }
        } else if ((c == '.' || c == ',') && !inFraction) {
            inFraction = true;
        } else {
            return std::nullopt;
        }
    }
    if (!anyDigit) return std::nullopt;
    while (fracDigits < 4) {
        frac *= 10;
        ++fracDigits;
    }
    std::int64_t units = whole * kScale + frac + (roundUp ? 1 : 0);
    return Currency(negative ? -units : units);
}

std::string Currency::toPlainText() const {
    std::int64_t u = units_;
    const bool negative = u < 0;
    const std::uint64_t a =
        negative ? static_cast<std::uint64_t>(-(u + 1)) + 1 : static_cast<std::uint64_t>(u);
    std::string out = negative ? "-" : "";
    out += std::to_string(a / kScale);
    std::uint64_t frac = a % kScale;
    if (frac != 0) {
        std::string f = std::to_string(frac);
        f.insert(0, 4 - f.size(), '0');
        while (!f.empty() && f.back() == '0') f.pop_back();
        out += '.';
        out += f;
    }
    return out;
}

Currency Currency::rounded(int decimals) const {
    if (decimals >= 4) return *this;
    if (decimals < 0) decimals = 0;
    std::int64_t step = 1;
    for (int i = decimals; i < 4; ++i) step *= 10;
    // In unsigned arithmetic: the magnitude of the lowest amount and the
    // rounding of the highest are above the signed range.
    const std::uint64_t a =
        units_ < 0 ? 0 - static_cast<std::uint64_t>(units_) : static_cast<std::uint64_t>(units_);
    const std::uint64_t s = static_cast<std::uint64_t>(step);
    const std::uint64_t r = (a / s + (a % s >= s / 2 ? 1 : 0)) * s;
    if (r > static_cast<std::uint64_t>(INT64_MAX)) throw CurrencyOverflow();
    const auto v = static_cast<std::int64_t>(r);
    return Currency(units_ < 0 ? -v : v);
}

}  // namespace corvex
