// Value conversions as the reports use them.
#include <gtest/gtest.h>

#include "data/engine/value.h"

namespace corvex::db {
namespace {

TEST(ValueTest, ConversionsOfEachType) {
    EXPECT_TRUE(Value().isNull());
    EXPECT_EQ(Value().toInt(), 0);
    EXPECT_EQ(Value().toText(), "");
    EXPECT_EQ(Value(2.5).toInt(), 3);
    EXPECT_EQ(Value(-2.5).toInt(), -3);
    EXPECT_EQ(Value(Currency::fromUnits(25000)).toInt(), 3);
    EXPECT_EQ(Value(Currency::fromUnits(-25000)).toInt(), -3);
    EXPECT_EQ(Value("12").toInt(), 12);
    EXPECT_EQ(Value(" 4.5 ").toInt(), 5);
    EXPECT_EQ(Value("12a").toInt(), 0);
    EXPECT_EQ(Value("1234,5").toCurrency(), Currency::fromUnits(12345000));
    EXPECT_EQ(Value("0.00005").toCurrency(), Currency::fromUnits(1));
    EXPECT_EQ(Value(0.1).toCurrency(), Currency::fromUnits(1000));
    EXPECT_EQ(Value(7).toCurrency(), Currency::whole(7));
    EXPECT_EQ(Value(Currency::fromUnits(45000)).toText(), "4.5");
    EXPECT_EQ(Value(Currency::fromUnits(-120000)).toText(), "-12");
    EXPECT_EQ(Value(Currency::fromUnits(1)).toText(), "0.0001");
    EXPECT_EQ(Value(4.5).toText(), "4.5");
    EXPECT_EQ(Value(12.0).toText(), "12");
    EXPECT_EQ(Value(std::int64_t{-7}).toText(), "-7");
    EXPECT_EQ(Value("abc").toDouble(), 0);
    EXPECT_NE(Value(""), Value());
    EXPECT_EQ(Value("x"), Value(std::string("x")));
}

}  // namespace
}  // namespace corvex::db
