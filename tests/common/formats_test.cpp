#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <utility>
#include <vector>

#include "common/currency.h"
#include "common/formatta.h"
#include "common/numfmt.h"
#include "common/text.h"

using namespace corvex;

namespace {
Currency amount(const char* text) {
    return *Currency::parse(text);
}
}  // namespace

TEST(Currency, ParsesAndRoundsToFourDecimals) {
    EXPECT_EQ(amount("1234.5").units(), 12345000);
    EXPECT_EQ(amount("-3,25").units(), -32500);
    EXPECT_EQ(amount("0.00005").units(), 1);  // rounds half away from zero
    EXPECT_EQ(Currency::fromDouble(0.1 + 0.2).units(), 3000);
    EXPECT_EQ(Currency::fromDouble(-2.00005).units(), -20001);
    EXPECT_FALSE(Currency::parse("12a").has_value());
    EXPECT_FALSE(Currency::parse("").has_value());
    EXPECT_EQ(amount("1234.5").toPlainText(), "1234.5");
    EXPECT_EQ(amount("-0.0001").toPlainText(), "-0.0001");
}

TEST(Currency, SumsStayExact) {
    Currency total;
    for (int i = 0; i < 1000; ++i) total += amount("0.10");
    EXPECT_EQ(total, Currency::whole(100));
    EXPECT_EQ(amount("2.00") * 3, amount("6"));
}

TEST(ItalianFormats, PatternsOfTheReports) {
    EXPECT_EQ(formatNumber(amount("1234.56"), "0.00"), "1234,56");
    EXPECT_EQ(formatNumber(amount("1234.56"), "#,##0.00"), "1.234,56");
    EXPECT_EQ(formatNumber(amount("1234567.8"), "###,###,##0.00"), "1.234.567,80");
    EXPECT_EQ(formatNumber(amount("-5"), "0.00"), "-5,00");
    EXPECT_EQ(formatNumber(amount("-1234.5"), "#,##0.00"), "-1.234,50");
    EXPECT_EQ(formatNumber(amount("0"), "#,##0.00"), "0,00");
    EXPECT_EQ(formatNumber(amount("-0.001"), "0.00"), "0,00");  // no "-0,00"
    EXPECT_EQ(formatNumber(amount("2.005"), "0.00"), "2,01");   // half away from zero
    EXPECT_EQ(formatNumber(amount("-2.005"), "0.00"), "-2,01");
    EXPECT_EQ(formatNumber(amount("99.9996"), "#####0.000"), "100,000");
    EXPECT_EQ(formatNumber(amount("0.5"), "0"), "1");
    EXPECT_EQ(formatNumber(std::int64_t{12}, "0"), "12");
    EXPECT_EQ(formatNumber(amount("0.25"), "#######0.00"), "0,25");
}

TEST(FormattaImporto, ModesOnText) {
    EXPECT_EQ(FormattaImporto("  dell'albergo ", 0), cp("DELL´ALBERGO"));
    EXPECT_EQ(FormattaImporto("", 0), " ");
    EXPECT_EQ(FormattaImporto("  ", 0), " ");
    EXPECT_EQ(FormattaImporto("12 a3", 1), "123");
    EXPECT_EQ(FormattaImporto("abc", 1), "0");
    EXPECT_EQ(FormattaImporto("1234,5", 2), "1.234,50");
    EXPECT_EQ(FormattaImporto("1234.50", 2), "1.234,50");  // point third from the end is decimal
    EXPECT_EQ(FormattaImporto("1.234,56", 2), "1.234,56");
    EXPECT_EQ(FormattaImporto("-7", 2), "-7,00");
    EXPECT_EQ(FormattaImporto("x", 2), "0,00");
    EXPECT_EQ(FormattaImporto("1,5", 4), "1.5");
    EXPECT_EQ(FormattaImporto("cam. 10", 0), "CAM. 10");
    EXPECT_EQ(FormattaImporto(cp("più"), 0), cp("PIÙ"));
}

TEST(FormattaImporto, FormatsTheAmountNotALocaleText) {
    EXPECT_EQ(FormattaImporto(amount("1234.5")), "1.234,50");
    EXPECT_EQ(FormattaImporto(amount("10000")), "10.000,00");
    EXPECT_EQ(FormattaImporto(amount("-4")), "-4,00");
}

TEST(Cp1252, RoundTripsAndFallsBackToBaseLetters) {
    EXPECT_EQ(cp("Età"), std::string("Et\xE0"));
    EXPECT_EQ(cp("€"), std::string("\x80"));
    EXPECT_EQ(cp("Łódź Őz"),
              "L\xF3"
              "dz Oz");  // one character for one
    EXPECT_EQ(cp("日本"), "??");
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);
    EXPECT_EQ(upper(cp("àèìòùç")), cp("ÀÈÌÒÙÇ"));
    EXPECT_TRUE(equalsNoCase(cp("Quantità"), cp("QUANTITÀ")));
}

TEST(TextHelpers, PaddingNeverCutsButFittingDoes) {
    EXPECT_EQ(padLeft("12", 5), "   12");
    EXPECT_EQ(padLeft("123456", 5), "123456");
    EXPECT_EQ(padRight("ab", 4), "ab  ");
    EXPECT_EQ(fitRight("abcdef", 3), "abc");
    EXPECT_EQ(fitLeft("abcdef", 3), "def");
    EXPECT_EQ(mid("abcdef", 2, 3), "bcd");
    EXPECT_EQ(mid("abc", 7), "");
    EXPECT_EQ(leadingNumber("  12ab"), 12);
    EXPECT_EQ(leadingNumber("x"), 0);
    std::int64_t v = 0;
    EXPECT_TRUE(parseWhole(" 42 ", v));
    EXPECT_EQ(v, 42);
    EXPECT_FALSE(parseWhole("4a", v));
    EXPECT_FALSE(parseWhole("", v));
}

// Near the limits of the range: results that fit are exact, the others throw
// rather than wrap round.
TEST(Currency, ArithmeticOutOfRangeThrowsInsteadOfWrapping) {
    const Currency max = Currency::fromUnits(INT64_MAX), min = Currency::fromUnits(INT64_MIN);
    const Currency one = Currency::fromUnits(1);
    EXPECT_EQ((max - one + one).units(), INT64_MAX);
    EXPECT_EQ((min + one - one).units(), INT64_MIN);
    EXPECT_EQ((Currency::fromUnits(INT64_MAX / 2) * 2).units(), INT64_MAX - 1);
    EXPECT_EQ(Currency::fromDouble(-9.2e14).units(), -9200000000000000000);
    EXPECT_EQ(max.rounded(4), max);
    const std::vector<std::pair<const char*, std::function<Currency()>>> overflows = {
        {"max + 1", [&] { return max + one; }},
        {"min - 1", [&] { return min - one; }},
        {"-min", [&] { return -min; }},
        {"max += max",
         [&] {
             Currency c = max;
             return c += max;
         }},
        {"min -= 1",
         [&] {
             Currency c = min;
             return c -= one;
         }},
        {"count * amount", [&] { return 3 * Currency::fromUnits(INT64_MAX / 2); }},
        {"amount * -count", [&] { return Currency::whole(1000000000) * -1000000000; }},
        {"whole", [&] { return Currency::whole(INT64_MAX / 1000); }},
        {"fromDouble 9.3e14", [&] { return Currency::fromDouble(9.3e14); }},
        {"fromDouble -inf", [&] { return Currency::fromDouble(-INFINITY); }},
        {"fromDouble nan", [&] { return Currency::fromDouble(std::nan("")); }},
        {"rounded max", [&] { return max.rounded(0); }},
    };
    for (const auto& [name, op] : overflows) {
        try {
            op();
            ADD_FAILURE() << name << " did not throw";
        } catch (const CurrencyOverflow& e) {
            EXPECT_NE(std::string(e.what()).find("fuori dall'intervallo"), std::string::npos);
        }
    }
}
