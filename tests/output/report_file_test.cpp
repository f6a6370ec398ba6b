#include <gtest/gtest.h>

#include <cstdlib>

#include "output/report_file.h"
#include "support/data_folder.h"

using namespace corvex;

TEST(ReportFile, WritesCp1252LinesWithCrlfUnderTheWorkstationName) {
    test::TempDataFolder dir;
    setenv("PCLocal", "03", 1);
    {
        ReportWriter w;
        w.line();
        w.line("Et\xE0");
        w.close();
    }
    EXPECT_EQ(dir.readFile("fd3"), std::string("\r\nEt\xE0\r\n"));
    EXPECT_EQ(readReportLines("FD3").size(),
              0u);  // names are exact on disk; readers use reportFileName()
    EXPECT_EQ(readReportLines("fd3"), (std::vector<std::string>{"", "Et\xE0"}));
}

TEST(ReportFile, AppendModeKeepsThePreviousRun) {
    test::TempDataFolder dir;
    {
        ReportWriter w;
        w.line("uno");
        w.close();
    }
    {
        ReportWriter w(ReportWriter::Mode::Append);
        w.line("due");
        w.close();
    }
    EXPECT_EQ(dir.readFile("fd0"), "uno\r\ndue\r\n");
}

TEST(ReportFile, EmptyReportGivesEmptyFile) {
    test::TempDataFolder dir;
    {
        ReportWriter w;
        w.close();
    }
    EXPECT_TRUE(dir.exists("fd0"));
    EXPECT_EQ(dir.readFile("fd0"), "");
}

TEST(ReportFile, UnwritablePathIsAClearError) {
    test::TempDataFolder dir;
    EXPECT_THROW(ReportWriter("no/such/folder/fd0"), std::runtime_error);
}

TEST(PulisciRiga, RemovesBoldMarksThenMapsCharacters) {
    EXPECT_EQ(PulisciRiga("a\xE7"
                          "bold\xE7"
                          "b"),
              "aboldb");
    EXPECT_EQ(PulisciRiga("\xC0\xC8\xC9\xCC\xD9\xD2"), "\xE0\xE8\xE9\xEC\xF9\xF2");
    EXPECT_EQ(PulisciRiga("\xDA\xC4\xC2\xBF"), "----");
    EXPECT_EQ(PulisciRiga("\xB3x\xC3\xB4"), "|x|'");
    EXPECT_EQ(Converti2("a\xE7"
                        "b"),
              "a\xE7"
              "b");                        // keeps bold marks
    EXPECT_EQ(Converti2("\xC0"), "\xE0");  // 192 is a capital, never a corner
}
