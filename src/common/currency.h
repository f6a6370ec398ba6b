// Fixed-point amounts with four decimals, the suite's currency type.
//
// Every amount in the system is a Currency: sums, differences and products by
// whole numbers are exact. Conversion from double exists only for values read
// from storage (SQLite keeps CURRENCY columns as REAL) and rounds to 1/10000.
//
// The range is the Jet Currency type's, ±922.337.203.685.477,5807: a result
// outside it (a damaged value, a sum of absurd ones) throws CurrencyOverflow
// rather than wrapping round to a wrong, often negative, amount.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace corvex {

// An amount out of the Currency range; what() is Italian UTF-8.
class CurrencyOverflow : public std::overflow_error {
  public:
    CurrencyOverflow();
};

namespace detail {
[[noreturn]] void throwCurrencyOverflow();
constexpr void check(bool overflow) {
    if (overflow) throwCurrencyOverflow();
}
}  // namespace detail

class Currency {
  public:
    static constexpr std::int64_t kScale = 10000;

    constexpr Currency() = default;

    // Whole units (euros): Currency::whole(3) is 3,0000.
    static constexpr Currency whole(std::int64_t n) {
        std::int64_t u = 0;
        detail::check(__builtin_mul_overflow(n, kScale, &u));
        return Currency(u);
    }
    // Raw 1/10000 units: Currency::units(12345) is 1,2345.
    static constexpr Currency fromUnits(std::int64_t u) { return Currency(u); }
    // Rounds half away from zero to the nearest 1/10000.
    static Currency fromDouble(double d);
    // Parses a plain decimal text such as "1234.5", "-3.25" or "1234,5" (either
    // mark as the decimal separator, no grouping). nullopt when it is not one.
    static std::optional<Currency> parse(std::string_view text);

    constexpr std::int64_t units() const { return units_; }
    // For display code that needs a double (never for arithmetic on amounts).
    double toDouble() const { return static_cast<double>(units_) / kScale; }
    // Whole part, truncated toward zero.
    constexpr std::int64_t truncated() const { return units_ / kScale; }
    // Shortest plain text with '.' as decimal mark: "1234.5", "-3", "0.0001".
    std::string toPlainText() const;

    constexpr Currency operator-() const {
        std::int64_t u = 0;
        detail::check(__builtin_sub_overflow(std::int64_t{0}, units_, &u));
        return Currency(u);
    }
    constexpr Currency& operator+=(Currency o) { return *this = *this + o; }
    constexpr Currency& operator-=(Currency o) { return *this = *this - o; }
    friend constexpr Currency operator+(Currency a, Currency b) {
        std::int64_t u = 0;
        detail::check(__builtin_add_overflow(a.units_, b.units_, &u));
        return Currency(u);
    }
    friend constexpr Currency operator-(Currency a, Currency b) {
        std::int64_t u = 0;
        detail::check(__builtin_sub_overflow(a.units_, b.units_, &u));
        return Currency(u);
    }
    friend constexpr Currency operator*(Currency a, std::int64_t n) {
        std::int64_t u = 0;
        detail::check(__builtin_mul_overflow(a.units_, n, &u));
        return Currency(u);
    }
    friend constexpr Currency operator*(std::int64_t n, Currency a) { return a * n; }
    friend constexpr auto operator<=>(Currency a, Currency b) = default;
    friend constexpr bool operator==(Currency a, Currency b) = default;

    // Rounds to a number of decimals (0..4), half away from zero.
    Currency rounded(int decimals) const;

  private:
    constexpr explicit Currency(std::int64_t u) : units_(u) {}
    std::int64_t units_ = 0;
};

}  // namespace corvex
