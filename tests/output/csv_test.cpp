#include "output/csv.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "output/mail.h"
#include "support/data_folder.h"
#include "support/scoped_env.h"

namespace corvex {
namespace {

using test::ScopedEnv;
using test::TempDataFolder;

struct CsvCase {
    const char* name;
    std::string line;
    std::string expected;
};

TEST(ConvertiRigaXLS, DefaultSeparators) {
    const SeparatoriXLS sep;
    const CsvCase cases[] = {
        {"one decimal digit: comma becomes a blank", "12,5", "12 5"},
        {"point before two digits is a thousands point", "2.50", "250"},
        {"rule of dashes becomes blanks", "---------", "         "},
        {"minus before a digit stays, blank before becomes euro", " -5,00", "\x80-5.00"},
        {"amount with thousands point", "Totale   1.234,56",
         "Totale  \x80"
         "1234.56"},
        {"byte 180 at the end is a separator", "abc\xB4", "abc,"},
        {"byte 180 inside is a blank",
         "a\xB4"
         "b",
         "a b"},
        {"box verticals and corners",
         "\xB3"
         "a\xC5"
         "b\xD9",
         ",a,b,"},
        {"pipe and plus", "a|b+c", "a,b,c"},
        {"horizontal box line is a blank", "\xC4\xC4", "  "},
        {"bold marks are copied",
         "\xE7"
         "x\xE7",
         "\xE7"
         "x\xE7"},
        {"decimal comma without a blank to its left keeps the rest", "1,00", "1.00"},
        {"point at the end stays", "fine.", "fine."},
        {"minus at the end is a blank", "a-", "a "},
        {"comma not between digits is a blank", "a, b", "a  b"},
        {"nearest blank is the one just before the amount", "a b 3,00",
         "a b\x80"
         "3.00"},
        {"empty line", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ConvertiRigaXLS(c.line, sep), c.expected) << c.name;
    }
}

TEST(ConvertiRigaXLS, SeparatorsFromTheFile) {
    SeparatoriXLS sep{";", ",", "\x80"};
    EXPECT_EQ(ConvertiRigaXLS("a|b  1.234,50", sep),
              "a;b \x80"
              "1234,50");
    sep.campo = "\t";
    EXPECT_EQ(ConvertiRigaXLS("x\xB3y", sep), "x\ty");
    sep.valuta = "EUR";  // only the first character is used
    EXPECT_EQ(ConvertiRigaXLS(" 1,00", sep), "E1,00");
}

TEST(ConvertiXLS, WritesTheWorkstationsCsvFile) {
    TempDataFolder dir;
    ScopedEnv ws("PCLocal", "03");
    dir.writeFile("fd3", "Voce | Importo\r\n---\r\nCamera   1.000,00\r\n");
    EXPECT_EQ(ConvertiXLS("fd3"), "fd3.csv");
    EXPECT_EQ(dir.readFile("fd3.csv"),
              "Voce , Importo\r\n   \r\nCamera  \x80"
              "1000.00\r\n");

    dir.writeFile("SeparatoreXLS.txt", ";\r\n,\r\n\x80\r\n");
    ConvertiXLS("fd3");
    EXPECT_EQ(dir.readFile("fd3.csv"),
              "Voce ; Importo\r\n   \r\nCamera  \x80"
              "1000,00\r\n");
}

TEST(ConvertiXLS, ShortSeparatorFileKeepsTheOtherDefaults) {
    TempDataFolder dir;
    ScopedEnv ws("PCLocal", "1");
    dir.writeFile("SeparatoreXLS.txt", ";\r\n");
    const auto sep = leggiSeparatoriXLS();
    EXPECT_EQ(sep.campo, ";");
    EXPECT_EQ(sep.decimale, ".");
    EXPECT_EQ(sep.valuta, "\x80");
}

TEST(ConvertiXLS, MissingReportGivesAnEmptyCsv) {
    TempDataFolder dir;
    ScopedEnv ws("PCLocal", "2");
    EXPECT_EQ(ConvertiXLS("fd2"), "fd2.csv");
    EXPECT_EQ(dir.readFile("fd2.csv"), "");
}

TEST(InviaEMail, MailFileHoldsSubjectTextAndOneMoreLineEnd) {
    TempDataFolder dir;
    ScopedEnv ws("PCLocal", "3");
    EXPECT_EQ(scriviFileEMail("riga 1\r\nriga 2\r\n"), "e-mail3.txt");
    EXPECT_EQ(dir.readFile("e-mail3.txt"), "OGGETTO\r\nriga 1\r\nriga 2\r\n\r\n");
}

TEST(InviaEMail, FindsTheMailProgramInTheProgramFolderFirst) {
    TempDataFolder dir;
    std::filesystem::create_directories("bin");
    std::filesystem::create_directories("path");
    ScopedEnv path("PATH", (std::filesystem::path(dir.path()) / "path").c_str());
    EXPECT_FALSE(trovaProgrammaPosta("bin").has_value());

    dir.writeFile("path/Mailkv", "#!/bin/sh\n");
    std::filesystem::permissions("path/Mailkv", std::filesystem::perms::owner_all);
    ASSERT_TRUE(trovaProgrammaPosta("bin").has_value());
    EXPECT_EQ(std::filesystem::path(*trovaProgrammaPosta("bin")).parent_path().filename(), "path");

    dir.writeFile("bin/Mailkv.exe", "#!/bin/sh\n");
    std::filesystem::permissions("bin/Mailkv.exe", std::filesystem::perms::owner_all);
    EXPECT_EQ(*trovaProgrammaPosta("bin"), "bin/Mailkv.exe");

    // A file that cannot be run is not the program.
    dir.writeFile("Mailkv", "data");
    std::filesystem::permissions("Mailkv", std::filesystem::perms::owner_read);
    EXPECT_EQ(*trovaProgrammaPosta("bin"), "bin/Mailkv.exe");
}

}  // namespace
}  // namespace corvex
