#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "output/report_file.h"
#include "support/data_folder.h"

using namespace corvex;

namespace {

// Names in the folder other than the ones given: temporary files left behind.
std::vector<std::string> otherFiles(const std::string& folder,
                                    std::initializer_list<std::string> known) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (std::find(known.begin(), known.end(), name) == known.end()) out.push_back(name);
    }
    return out;
}

void scrivi(ReportWriter::Mode mode, std::initializer_list<const char*> lines) {
    ReportWriter w(mode);
    for (const char* l : lines) w.line(l);
    w.close();
}

}  // namespace

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

TEST(ReportFile, ConcurrentRunsLeaveOneWholeReport) {
    test::TempDataFolder dir;
    const auto run = [](char mark) {
        ReportWriter w;
        for (int i = 0; i < 3000; ++i) {
            w.line(std::string(40, mark));
            if (i % 500 == 0) std::this_thread::yield();
        }
        w.close();
    };
    std::thread ta(run, 'a'), tb(run, 'b');
    ta.join();
    tb.join();
    std::string a, b;
    for (int i = 0; i < 3000; ++i) {
        a += std::string(40, 'a') + "\r\n";
        b += std::string(40, 'b') + "\r\n";
    }
    const std::string file = dir.readFile("fd0");
    EXPECT_TRUE(file == a || file == b) << file.substr(0, 200);
    EXPECT_EQ(otherFiles(dir.path(), {"fd0"}), std::vector<std::string>{});
}

TEST(ReportFile, ConcurrentAppendingRunsKeepEveryRun) {
    test::TempDataFolder dir;
    dir.writeFile("fd0", "uno\r\n");
    const auto run = [](char mark) {
        ReportWriter w(ReportWriter::Mode::Append);
        for (int i = 0; i < 2000; ++i) {
            w.line(std::string(40, mark));
            if (i % 400 == 0) std::this_thread::yield();
        }
        w.close();
    };
    std::thread ta(run, 'a'), tb(run, 'b');
    ta.join();
    tb.join();
    std::string a, b;
    for (int i = 0; i < 2000; ++i) {
        a += std::string(40, 'a') + "\r\n";
        b += std::string(40, 'b') + "\r\n";
    }
    const std::string file = dir.readFile("fd0");
    EXPECT_TRUE(file == "uno\r\n" + a + b || file == "uno\r\n" + b + a) << file.size();
}

TEST(ReportFile, AFailedOrCancelledRunLeavesThePreviousFile) {
    for (auto mode : {ReportWriter::Mode::Replace, ReportWriter::Mode::Append}) {
        test::TempDataFolder dir;
        scrivi(ReportWriter::Mode::Replace, {"buono"});
        {
            ReportWriter w(mode);
            w.line("a met\xE0");  // the report throws here: no close()
        }
        EXPECT_EQ(dir.readFile("fd0"), "buono\r\n");
        EXPECT_EQ(otherFiles(dir.path(), {"fd0"}), std::vector<std::string>{});
    }
}

TEST(ReportFile, ALinkNamedLikeTheFileIsReplacedNotFollowed) {
    for (auto mode : {ReportWriter::Mode::Replace, ReportWriter::Mode::Append}) {
        test::TempDataFolder outside;
        outside.writeFile("target", "fuori\r\n");
        test::TempDataFolder dir;
        for (const char* name : {"fd0", "CorvexLog.txt"}) {
            ASSERT_EQ(::symlink((outside.path() + "/target").c_str(), name), 0);
            ReportWriter w(name, mode);
            w.line("nuovo");
            w.close();
            EXPECT_FALSE(std::filesystem::is_symlink(name));
            EXPECT_EQ(dir.readFile(name), "nuovo\r\n");
        }
        EXPECT_EQ(outside.readFile("target"), "fuori\r\n");
    }
}

TEST(ReportFile, ControlCharactersInLinesBecomeBlanks) {
    test::TempDataFolder dir;
    ReportWriter w;
    w.line(std::string("Ros\rsi\nM\fa\x1b[0m\x07\x7f\0X\tY\xE7\xC0", 22));
    w.close();
    EXPECT_EQ(dir.readFile("fd0"), "Ros si M a [0m   X Y\xE7\xC0\r\n");
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
