#include <gtest/gtest.h>

#include <cstdlib>

#include "common/clock.h"
#include "common/config_files.h"
#include "common/environment.h"
#include "support/data_folder.h"

using namespace corvex;

TEST(Workstation, ReportFileNameUsesTheLeadingNumber) {
    test::TempDataFolder dir;
    EXPECT_EQ(reportFileName(), "fd0");
    setenv("PCLocal", "3", 1);
    EXPECT_EQ(reportFileName(), "fd3");
    setenv("PCLocal", "03", 1);
    EXPECT_EQ(reportFileName(), "fd3");
    setenv("PCLocal", "../../etc/x", 1);
    EXPECT_EQ(reportFileName(), "fd0");
    setenv("PCLocal", "7/../../x", 1);
    EXPECT_EQ(reportFileName(), "fd7");
    setenv("PCLocal", "", 1);
    EXPECT_EQ(reportFileName(), "fd0");
}

TEST(Workstation, DirKVIsFoundWithoutRegardToCaseAndUsesSlashes) {
    test::TempDataFolder dir;
    EXPECT_EQ(dirKV(), "");
    setenv("DIRKV", "\\dati\\kv", 1);
    EXPECT_EQ(dirKV(), "/dati/kv");
}

TEST(Clock, CanBeFixedForTests) {
    test::TempDataFolder dir;
    setenv("CORVEX_NOW", "07/12/2026 09:05", 1);
    EXPECT_EQ(todayText(), "07/12/2026");
    EXPECT_EQ(timestampText(), "202612070905");
    setenv("CORVEX_NOW", "05/03/2013", 1);
    EXPECT_EQ(todayText(), "05/03/2013");
}

TEST(ConfigFiles, CamereImpOverridesTheTrimmedRange) {
    test::TempDataFolder dir;
    EXPECT_EQ(rangeCamere("  101 ", " 205"),
              std::make_pair(std::string("101"), std::string("205")));
    dir.writeFile("CamereImp.txt", "9 \r\n10\r\n");
    EXPECT_EQ(rangeCamere("", "ZZZZZZ"), std::make_pair(std::string("9 "), std::string("10")));
}

TEST(ConfigFiles, LeggiParametriReadsLineK) {
    test::TempDataFolder dir;
    EXPECT_EQ(LeggiParametri(78), "");
    std::string content;
    for (int i = 1; i <= 80; ++i) content += (i == 78 ? "S" : "N" + std::to_string(i)) + "\r\n";
    dir.writeFile("Parametri.txt", content);
    EXPECT_EQ(LeggiParametri(78), "S");
    EXPECT_EQ(LeggiParametri(1), "N1");
    EXPECT_EQ(LeggiParametri(81), "");
    EXPECT_EQ(LeggiParametri(0), "");
}
