// Frames drawn as frames, letters kept, in the program's own views.
#include "output/righe_vista.h"

#include <gtest/gtest.h>

#include "output/report_file.h"

namespace corvex {
namespace {

struct Case {
    const char* what;
    std::vector<std::string> lines;  // the report's lines
    std::vector<std::string> shown;  // as the views show them
};

TEST(RigheVista, FramesBecomeRulesAndLettersStay) {
    const std::vector<Case> cases = {
        {"the takings register's box: corners 192 and 217 are no letters",
         {"\xDA\xC4\xC4\xC2\xC4\xBF",
          "\xB3"
          "ab\xB3"
          "c\xB3",
          "\xC3\xC4\xC4\xC5\xC4\xB4", "\xC0\xC4\xC4\xC1\xC4\xD9"},
         {"------", "|ab|c|", "|----|", "------"}},
        {"a guest's name right after a bar and under a rule keeps its letters",
         {"\xDA\xC4\xC4\xC4\xC4\xC4\xC4\xBF", "\xB3\xC1lvaro\xB3", "\xB3Jo\xC3o  \xB3",
          "\xC0\xC4\xC4\xC4\xC4\xC4\xC4\xD9"},
         {"--------", "|\xC1lvaro|", "|Jo\xC3o  |", "--------"}},
        {"accented capitals, ordinals and the middle dot in text",
         {"CITT\xC0 \xC8 \xC9 \xCA \xCB \xCE\xDA 1\xBA l\xB7l \xC2ngelo D\xB4"
          "Amico"},
         {"CITT\xC0 \xC8 \xC9 \xCA \xCB \xCE\xDA 1\xBA l\xB7l \xC2ngelo D'Amico"}},
        {"one table row with bars and no rules around it",
         {"\xB3 12 \xB3 Rossi \xB3"},
         {"| 12 | Rossi |"}},
        {"box bytes beside dash rules and under a bar",
         {"--\xC2--", "  \xB3", "  \xC1"},
         {"-----", "  |", "  -"}},
        {"bold marks do not shift the columns and are removed",
         {"\xE7"
          "\xDA\xC4\xBF"
          "\xE7",
          "\xB3x\xB3"},
         {"---", "|x|"}},
    };
    for (const auto& c : cases) EXPECT_EQ(righeVista(c.lines), c.shown) << c.what;
}

TEST(RigheVista, KeepsBoldMarksForThePrinterAndLeavesRawCleaningAsItIs) {
    EXPECT_EQ(rigaVista("\xE7\xC1lvaro\xE7 \xC4\xC4", "", "", true), "\xE7\xC1lvaro\xE7 --");
    // Raw printing keeps the line-cleaning map: there a corner is a letter.
    EXPECT_EQ(PulisciRiga("\xC0\xC4\xD9"), "\xE0-\xF9");
}

}  // namespace
}  // namespace corvex
