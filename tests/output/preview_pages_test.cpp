#include "output/preview_pages.h"

#include <gtest/gtest.h>

#include "support/data_folder.h"
#include "support/scoped_env.h"

namespace corvex {
namespace {

std::vector<std::string> linesOf(int n, std::size_t width) {
    std::vector<std::string> lines;
    for (int i = 0; i < n; ++i) {
        std::string l = std::to_string(i);
        l.resize(width, 'x');
        lines.push_back(l);
    }
    return lines;
}

TEST(PaginaAnteprima, FiftyShortLinesFillOneBlock) {
    PaginaAnteprima p;
    p.imposta(linesOf(50, 100));
    const auto b = p.blocco(0, kLimitePrimoBlocco);
    EXPECT_EQ(b.righe, 50u);
    EXPECT_FALSE(b.altro);
    EXPECT_EQ(b.testo.size(), 50u * 102u);
}

TEST(PaginaAnteprima, ThreeHundredLinesGiveTwoHundredThenOneHundred) {
    PaginaAnteprima p;
    p.imposta(linesOf(300, 100));
    const auto first = p.blocco(0, kLimitePrimoBlocco);
    EXPECT_EQ(first.righe, 200u);
    EXPECT_TRUE(first.altro);
    const auto next = p.blocco(first.prima + first.righe, kLimiteBlocco);
    EXPECT_EQ(next.prima, 200u);
    EXPECT_EQ(next.righe, 100u);
    EXPECT_FALSE(next.altro);
    // "Inizio" fills its block to the larger limit.
    EXPECT_EQ(p.blocco(0, kLimiteBlocco).righe, 260u);
}

TEST(PaginaAnteprima, CountsLinesBeforeCleaningAndNeverSplitsALine) {
    PaginaAnteprima p;
    // 19,999 characters of bold marks shrink when cleaned, but count as read.
    p.imposta({std::string(19999, '\xE7'), "a", "b"});
    const auto b = p.blocco(0, kLimitePrimoBlocco);
    EXPECT_EQ(b.righe, 2u);
    EXPECT_EQ(b.testo, "\r\na\r\n");
    p.imposta({std::string(50000, 'x'), "y"});
    EXPECT_EQ(p.blocco(0, kLimitePrimoBlocco).righe, 1u);
}

TEST(PaginaAnteprima, ShowsLinesCleaned) {
    PaginaAnteprima p;
    p.imposta(
        {"\xE7"
         "Totale\xE7",
         "\xC0 \xDA\xC4"});
    // Bold marks dropped, a frame drawn with rules, a letter kept.
    EXPECT_EQ(p.blocco(0, kLimitePrimoBlocco).testo, "Totale\r\n\xC0 --\r\n");
}

TEST(PaginaAnteprima, MissingAndEmptyReports) {
    test::TempDataFolder dir;
    PaginaAnteprima p;
    EXPECT_FALSE(p.carica("fd1"));
    dir.writeFile("fd1", "");
    ASSERT_TRUE(p.carica("fd1"));
    const auto b = p.blocco(0, kLimitePrimoBlocco);
    EXPECT_EQ(b.righe, 0u);
    EXPECT_EQ(b.testo, "");
    EXPECT_FALSE(b.altro);
}

TEST(RigheTesto, SplitsOnAnyLineEndWithoutATrailingEmptyLine) {
    EXPECT_EQ(righeTesto("a\r\nb\r\n"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(righeTesto("a\nb"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(righeTesto("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
    EXPECT_TRUE(righeTesto("").empty());
}

TEST(SostituisciBlocco, EditOfALaterBlockKeepsTheRestOfTheReport) {
    const std::vector<std::string> original = {"uno", "due", "tre", "quattro", "cinque"};
    const auto out = sostituisciBlocco(original, 2, 2, {"TRE", "quattro"});
    EXPECT_EQ(out, (std::vector<std::string>{"uno", "due", "TRE", "quattro", "cinque"}));
}

TEST(SostituisciBlocco, UnchangedLinesKeepTheirOriginalBytes) {
    const std::vector<std::string> original = {"\xE7Titolo\xE7", "\xDA\xC4\xBF", "riga",
                                               "\xE7"
                                               "fine\xE7"};
    // The user inserts a line in the middle; the lines around it are shown
    // cleaned and come back with their marks and frame bytes.
    const auto out = sostituisciBlocco(original, 0, 4, {"Titolo", "---", "riga", "nuova", "fine"});
    EXPECT_EQ(out, (std::vector<std::string>{"\xE7Titolo\xE7", "\xDA\xC4\xBF", "riga", "nuova",
                                             "\xE7"
                                             "fine\xE7"}));
}

TEST(SostituisciBlocco, DeletingLinesAndEmptyingTheBlock) {
    const std::vector<std::string> original = {"a", "b", "c", "d"};
    EXPECT_EQ(sostituisciBlocco(original, 1, 2, {"b"}), (std::vector<std::string>{"a", "b", "d"}));
    EXPECT_EQ(sostituisciBlocco(original, 1, 2, {}), (std::vector<std::string>{"a", "d"}));
    EXPECT_EQ(sostituisciBlocco(original, 0, 4, {"x"}), (std::vector<std::string>{"x"}));
}

TEST(SostituisciBlocco, SavedFileHasNoExtraEmptyLine) {
    test::TempDataFolder dir;
    dir.writeFile("fd1",
                  "\xE7"
                  "a\xE7\r\nb\r\n");
    PaginaAnteprima p;
    ASSERT_TRUE(p.carica("fd1"));
    const auto b = p.blocco(0, kLimitePrimoBlocco);
    scriviRigheReport("fd1", sostituisciBlocco(p.righe(), b.prima, b.righe, righeTesto(b.testo)));
    EXPECT_EQ(dir.readFile("fd1"),
              "\xE7"
              "a\xE7\r\nb\r\n");
}

}  // namespace
}  // namespace corvex
