#include "output/xlsx.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>

#include "support/data_folder.h"
#include "support/xlsx_read.h"

namespace corvex::xlsx {
namespace {

using test::TempDataFolder;

using test::haveUnzip;
using test::xlsxAttr;
using test::xlsxCell;
using test::xlsxFormat;
using test::xlsxPart;

TEST(Xlsx, CellsAreTypedAndReadBack) {
    if (!haveUnzip()) GTEST_SKIP() << "unzip not installed";
    TempDataFolder dir;
    Foglio f;
    f.nome = "Versamenti 2025";
    f.intestazione = {"Data", "Importo", "Notti", "Citt\xE0"};
    f.larghezze = {12};
    f.righe = {
        {Cella::data("01/01/2025"), Cella::importo(Currency::fromUnits(12345000)),
         Cella::intero(42), Cella::testo("Forl\xEC")},
        {Cella::data("29/02/2024"), Cella::importo(Currency::fromUnits(1000)), Cella(),
         Cella::testo("CRO 0001")},
    };
    scrivi("out.xlsx", f);
    ASSERT_TRUE(dir.exists("out.xlsx"));
    const std::string sheet = xlsxPart("out.xlsx", "xl/worksheets/sheet1.xml");
    const std::string styles = xlsxPart("out.xlsx", "xl/styles.xml");
    const std::string strings = xlsxPart("out.xlsx", "xl/sharedStrings.xml");
    ASSERT_FALSE(sheet.empty());

    struct Expect {
        const char* ref;
        const char* type;    // the t attribute
        const char* value;   // <v>, for numbers
        const char* format;  // the style's number format
    } rows[] = {
        {"A1", "s", nullptr, nullptr},
        {"A2", "", "45658", "dd/mm/yyyy"},  // 01/01/2025 as an Excel day
        {"B2", "", "1234.5", "#,##0.00"},   // exact, from the amount's text
        {"C2", "", "42", "builtin 0"},
        {"D2", "s", nullptr, nullptr},
        {"A3", "", "45351", "dd/mm/yyyy"},  // leap day
        {"B3", "", "0.1", "#,##0.00"},
    };
    for (const auto& r : rows) {
        const std::string c = xlsxCell(sheet, r.ref);
        ASSERT_FALSE(c.empty()) << r.ref;
        EXPECT_EQ(xlsxAttr(c, "t"), r.type) << c;
        if (r.value) {
            EXPECT_NE(c.find(std::string("<v>") + r.value + "</v>"), std::string::npos) << c;
        }
        if (r.format) {
            EXPECT_EQ(xlsxFormat(styles, xlsxAttr(c, "s")), r.format) << c;
        }
    }
    EXPECT_TRUE(xlsxCell(sheet, "C3").empty());  // an empty cell is not written
    // The header is bold; texts are UTF-8 in the file.
    EXPECT_NE(styles.find("<b/>"), std::string::npos);
    EXPECT_NE(strings.find("Citt\xC3\xA0"), std::string::npos);
    EXPECT_NE(strings.find("Forl\xC3\xAC"), std::string::npos);
    EXPECT_NE(sheet.find("<col min=\"1\" max=\"1\" width=\"12"), std::string::npos) << sheet;
    EXPECT_NE(xlsxPart("out.xlsx", "xl/workbook.xml").find("name=\"Versamenti 2025\""),
              std::string::npos);
}

// The desk runs under the user's locale (Qt sets it): an Italian one prints
// numbers with a decimal comma, which the file must not take.
TEST(Xlsx, NumbersKeepTheirPointUnderAnItalianLocale) {
    if (!haveUnzip()) GTEST_SKIP() << "unzip not installed";
    TempDataFolder dir;
    std::filesystem::create_directory("loc");
    if (std::system("localedef -i it_IT -f UTF-8 ./loc/it_IT.UTF-8 >/dev/null 2>&1") != 0 &&
        !dir.exists("loc/it_IT.UTF-8"))
        GTEST_SKIP() << "cannot build the it_IT locale";
    ::setenv("LOCPATH", (dir.path() + "/loc").c_str(), 1);
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    const bool italian = std::setlocale(LC_NUMERIC, "it_IT.UTF-8") != nullptr;
    char shown[16];
    std::snprintf(shown, sizeof shown, "%.1f", 1.5);
    Foglio f;
    f.righe = {{Cella::importo(Currency::fromUnits(12345000))}};
    if (italian) scrivi("it.xlsx", f);
    std::setlocale(LC_NUMERIC, before.c_str());
    ::unsetenv("LOCPATH");
    if (!italian || std::string(shown) != "1,5") GTEST_SKIP() << "it_IT locale not usable";
    const std::string sheet = xlsxPart("it.xlsx", "xl/worksheets/sheet1.xml");
    EXPECT_NE(sheet.find("<v>1234.5</v>"), std::string::npos) << sheet;
}

TEST(Xlsx, FailureNamesTheFileAndLeavesNothingHalfWritten) {
    TempDataFolder dir;
    dir.writeFile("old.xlsx", "previous");
    struct Case {
        const char* file;
        Cella bad;
        const char* says;
    } cases[] = {
        {"old.xlsx", Cella::data("31/02/2025"), "\"31/02/2025\" non è una data"},
        {"missing/dir/x.xlsx", Cella::testo("a"), "missing/dir/x.xlsx"},
    };
    for (const auto& c : cases) {
        Foglio f;
        f.righe = {{Cella::testo("ok"), c.bad}};
        try {
            scrivi(c.file, f);
            ADD_FAILURE() << c.file << " written";
        } catch (const XlsxError& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find(std::string("impossibile scrivere il file ") + c.file),
                      std::string::npos)
                << what;
            EXPECT_NE(what.find(c.says), std::string::npos) << what;
        }
    }
    EXPECT_EQ(dir.readFile("old.xlsx"), "previous");
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename(), "old.xlsx");
}

}  // namespace
}  // namespace corvex::xlsx
