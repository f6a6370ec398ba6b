#include "data/jetimport/jet_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace corvex::jetimport {
namespace {

TEST(JetValues, DateTimeFromDayCount) {
    struct Case {
        double days;
        const char* text;
    };
    const Case cases[] = {
        {0.0, "1899-12-30 00:00:00"},
        {1.0, "1899-12-31 00:00:00"},
        {2.0, "1900-01-01 00:00:00"},
        {35000.5, "1995-10-28 12:00:00"},
        {45657.75, "2024-12-31 18:00:00"},
        // Negative values: the time still counts forward from the date.
        {-1.25, "1899-12-29 06:00:00"},
        {-0.5, "1899-12-30 12:00:00"},
        // Rounded to the second; 23:59:59.6 belongs to the next day.
        {45657.0 + 86399.6 / 86400.0, "2025-01-01 00:00:00"},
        {-1.0 - 86399.6 / 86400.0, "1899-12-30 00:00:00"},
        {59.0, "1900-02-27 00:00:00"},
        {61.0, "1900-03-01 00:00:00"},  // 1900 is no leap year here
        {2958465.0, "9999-12-31 00:00:00"},
        {-657434.0, "0100-01-01 00:00:00"},
    };
    for (const auto& c : cases) EXPECT_EQ(dateTimeText(c.days).value_or("none"), c.text) << c.days;
}

TEST(JetValues, DateTimeOutsideJetsRangeIsNone) {
    EXPECT_FALSE(dateTimeText(2958466.0));  // 10000-01-01
    EXPECT_FALSE(dateTimeText(-657435.0));  // year 99
    EXPECT_FALSE(dateTimeText(1e300));
    EXPECT_FALSE(dateTimeText(std::nan("")));
    EXPECT_FALSE(dateTimeText(std::numeric_limits<double>::infinity()));
}

TEST(JetValues, CurrencyKeepsTheTenThousandth) {
    EXPECT_EQ(currencyValue(0), 0.0);
    EXPECT_EQ(currencyValue(125000), 12.5);
    EXPECT_EQ(currencyValue(-35000), -3.5);
    EXPECT_EQ(currencyValue(1), 0.0001);
    EXPECT_EQ(currencyValue(123456789), 12345.6789);
    // Every amount reads back to the same count of units.
    for (std::int64_t units : {std::int64_t{1}, std::int64_t{3}, std::int64_t{99999},
                               std::int64_t{9007199254740991}, std::int64_t{-4444444444444}}) {
        EXPECT_EQ(std::llround(currencyValue(units) * 10000.0), units) << units;
    }
    // Beyond 2^53 units: the double nearest the exact decimal.
    EXPECT_EQ(currencyValue(INT64_MAX), 922337203685477.5807);
    EXPECT_EQ(currencyText(INT64_MIN), "-922337203685477.5808");
    EXPECT_EQ(currencyText(-12340), "-1.2340");
    EXPECT_EQ(currencyText(5), "0.0005");
}

TEST(JetValues, SingleTakesItsShortestDecimal) {
    EXPECT_EQ(singleValue(0.1f), 0.1);
    EXPECT_EQ(singleValue(0.05f), 0.05);
    EXPECT_EQ(singleValue(1.0f / 3.0f), 0.33333334);
    EXPECT_EQ(singleValue(-2.5f), -2.5);
    EXPECT_EQ(singleValue(0.0f), 0.0);
    EXPECT_TRUE(std::isinf(singleValue(std::numeric_limits<float>::infinity())));
}

TEST(JetValues, GuidShowsItsGroupsAsJetDoes) {
    const unsigned char b[16] = {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
                                 0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff};
    EXPECT_EQ(guidText(b), "{00112233-4455-6677-8899-AABBCCDDEEFF}");
}

TEST(JetValues, DecimalFromItsWords) {
    unsigned char b[17] = {};
    b[13] = 0x39;  // least significant word (last) = 12345 = 0x3039
    b[14] = 0x30;
    EXPECT_EQ(decimalText(b, 2), "123.45");
    EXPECT_EQ(decimalText(b, 0), "12345");
    EXPECT_EQ(decimalText(b, 7), "0.0012345");
    b[0] = 0x80;
    EXPECT_EQ(decimalText(b, 2), "-123.45");
    unsigned char zero[17] = {0x80};
    EXPECT_EQ(decimalText(zero, 2), "0.00");  // no negative zero
    unsigned char big[17] = {};
    big[1] = 1;  // most significant word = 1: 2^96
    EXPECT_EQ(decimalText(big, 0), "79228162514264337593543950336");
}

}  // namespace
}  // namespace corvex::jetimport
