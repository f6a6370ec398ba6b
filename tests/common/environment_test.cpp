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

TEST(Clock, AnInvalidFixedClockIsRefused) {
    test::TempDataFolder dir;
    for (const char* text :
         {"31/12/2025 24:00", "31/12/2025 23:60", "32/12/2025", "31/12/25", "31/12/2025 9:05",
          "31/12/2025 09:05:00", "31-12-2025", "oggi", "+1/12/2025", "31/12/2025x09:05"}) {
        setenv("CORVEX_NOW", text, 1);
        try {
            todayText();
            ADD_FAILURE() << "accepted: " << text;
        } catch (const InvalidClock& e) {
            EXPECT_NE(std::string(e.what()).find(std::string("CORVEX_NOW: \"") + text),
                      std::string::npos);
        }
    }
    setenv("CORVEX_NOW", "31/12/2025 23:59", 1);
    EXPECT_EQ(timestampText(), "202512312359");
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
    // File content -> its range, or a part of the message that refuses it.
    const struct {
        const char* content;
        const char* first;
        const char* last;
        const char* error;
    } rows[] = {
        {"09 \r\n10\r\n", "09", "10", nullptr},
        {"\xEF\xBB\xBF 101\t\r\n\r\n  205  \r\n999\r\n", "101", "205", nullptr},
        {"a1\nA1\n", "a1", "A1", nullptr},
        {"", nullptr, nullptr, "il file è vuoto"},
        {"\xEF\xBB\xBF\r\n  \r\n", nullptr, nullptr, "il file è vuoto"},
        {"101\r\n\r\n", nullptr, nullptr, "contiene solo la camera \"101\""},
        {"9\n10\n", nullptr, nullptr, "la prima camera \"9\" viene dopo l'ultima \"10\""},
    };
    for (const auto& row : rows) {
        dir.writeFile("CamereImp.txt", row.content);
        if (row.error == nullptr) {
            EXPECT_EQ(rangeCamere("", "ZZZZZZ"),
                      std::make_pair(std::string(row.first), std::string(row.last)))
                << row.content;
            continue;
        }
        try {
            rangeCamere("", "ZZZZZZ");
            ADD_FAILURE() << "accepted: " << row.content;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("CamereImp.txt"), std::string::npos);
            EXPECT_NE(std::string(e.what()).find(row.error), std::string::npos) << e.what();
        }
    }
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
