#include <gtest/gtest.h>

#include "common/dates.h"

using namespace corvex;

TEST(DataValida, AcceptsRealDatesOfTenCharacters) {
    EXPECT_TRUE(DataValida("29/02/2012"));
    EXPECT_TRUE(DataValida(" 01/02/2013 "));  // trimmed first
    EXPECT_TRUE(DataValida("29/02/1900"));    // every fourth year is a leap year here
    EXPECT_TRUE(DataValida("31/12/2099"));
}

TEST(DataValida, RejectsImpossibleOrShortDates) {
    EXPECT_FALSE(DataValida("31/02/2013"));
    EXPECT_FALSE(DataValida("29/02/2013"));
    EXPECT_FALSE(DataValida("01/13/2013"));
    EXPECT_FALSE(DataValida("00/01/2013"));
    EXPECT_FALSE(DataValida("01/01/1899"));
    EXPECT_FALSE(DataValida("1/1/2013"));
    EXPECT_FALSE(DataValida("01/01/20a3"));
    EXPECT_FALSE(DataValida(""));
    EXPECT_FALSE(DataValida(" "));
}

TEST(ConfrontaDate, TrueUnlessFirstIsLater) {
    EXPECT_TRUE(ConfrontaDate("01/02/2013", "01/02/2013"));
    EXPECT_TRUE(ConfrontaDate("31/01/2013", "01/02/2013"));
    EXPECT_FALSE(ConfrontaDate("02/02/2013", "01/02/2013"));
    EXPECT_FALSE(ConfrontaDate("01/01/2014", "31/12/2013"));
    EXPECT_TRUE(ConfrontaDate("31/12/2013", "01/01/2014"));
}

TEST(CompletaAnno, ExpandsSixAndEightDigits) {
    EXPECT_EQ(CompletaAnno("010213"), "01/02/2013");
    EXPECT_EQ(CompletaAnno("010299"), "01/02/1999");
    EXPECT_EQ(CompletaAnno("01022013"), "01/02/2013");
    EXPECT_EQ(CompletaAnno("310199"), "31/01/1999");
    EXPECT_EQ(CompletaAnno("310134"), "31/01/2034");
    EXPECT_EQ(CompletaAnno("310135"), "31/01/1935");
    EXPECT_EQ(CompletaAnno("01/02/2013"), "01/02/2013");
    EXPECT_EQ(CompletaAnno("abc"), "abc");
}

TEST(DataSql, ConvertsBothWays) {
    EXPECT_EQ(DataSql("05/01/2024"), "20240105");
    EXPECT_EQ(DataDaSql("20240105"), "05/01/2024");
    EXPECT_EQ(DataDaSql("00000000"), "00/00/0000");
    EXPECT_EQ(DataDaSql(""), "//");
}

TEST(DayArithmetic, CountsNightsAcrossMonthsAndYears) {
    EXPECT_EQ(DifferenzaGiorni("28/01/2024", "05/02/2024"), 8);
    EXPECT_EQ(DifferenzaGiorni("28/02/2024", "01/03/2024"), 2);  // leap year
    EXPECT_EQ(DifferenzaGiorni("28/02/2100", "01/03/2100"), 1);  // real calendar: 2100 not leap
    EXPECT_EQ(DifferenzaGiorni("31/12/2023", "01/01/2024"), 1);
    EXPECT_EQ(DifferenzaGiorni("05/02/2024", "28/01/2024"), -8);
    EXPECT_FALSE(DifferenzaGiorni("//", "01/01/2024").has_value());
    EXPECT_FALSE(DifferenzaGiorni("31/02/2024", "01/03/2024").has_value());
    EXPECT_EQ(AggiungiGiorni("31/01/2024", 1), "01/02/2024");
    EXPECT_EQ(AggiungiGiorni("01/03/2024", -1), "29/02/2024");
    EXPECT_EQ(AnnoDi("05/03/2013"), 2013);
}
