#include "output/xlsx.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <regex>

#include "support/data_folder.h"

namespace corvex::xlsx {
namespace {

using test::TempDataFolder;

// One part of the zip archive, as unzip extracts it; "" when missing.
std::string part(const std::string& file, const std::string& name) {
    std::string out;
    FILE* p = ::popen(("unzip -p '" + file + "' " + name + " 2>/dev/null").c_str(), "r");
    if (!p) return out;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    ::pclose(p);
    return out;
}

bool haveUnzip() {
    return std::system("command -v unzip >/dev/null 2>&1") == 0;
}

// The <c> element of a cell reference, e.g. "B2".
std::string cell(const std::string& sheet, const std::string& ref) {
    std::smatch m;
    const std::regex re("<c r=\"" + ref + "\"[^>]*?(/>|>[\\s\\S]*?</c>)");
    return std::regex_search(sheet, m, re) ? m.str(0) : "";
}

std::string attr(const std::string& element, const std::string& name) {
    std::smatch m;
    const std::regex re(" " + name + "=\"([^\"]*)\"");
    return std::regex_search(element, m, re) ? m.str(1) : "";
}

// The number format code of a cell style index (styles.xml cellXfs).
std::string formatOf(const std::string& styles, const std::string& s) {
    std::smatch xfs;
    if (!std::regex_search(styles, xfs, std::regex("<cellXfs[^>]*>([\\s\\S]*?)</cellXfs>")))
        return "";
    const std::string list = xfs.str(1);
    std::vector<std::string> ids;
    const std::regex xf("<xf [^>]*numFmtId=\"(\\d+)\"");
    for (std::sregex_iterator i(list.begin(), list.end(), xf), end; i != end; ++i)
        ids.push_back((*i).str(1));
    const std::size_t index = s.empty() ? 0 : std::stoul(s);
    if (index >= ids.size()) return "";
    std::smatch f;
    const std::regex re("<numFmt numFmtId=\"" + ids[index] + "\" formatCode=\"([^\"]*)\"");
    return std::regex_search(styles, f, re) ? f.str(1) : "builtin " + ids[index];
}

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
    const std::string sheet = part("out.xlsx", "xl/worksheets/sheet1.xml");
    const std::string styles = part("out.xlsx", "xl/styles.xml");
    const std::string strings = part("out.xlsx", "xl/sharedStrings.xml");
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
        const std::string c = cell(sheet, r.ref);
        ASSERT_FALSE(c.empty()) << r.ref;
        EXPECT_EQ(attr(c, "t"), r.type) << c;
        if (r.value) {
            EXPECT_NE(c.find(std::string("<v>") + r.value + "</v>"), std::string::npos) << c;
        }
        if (r.format) {
            EXPECT_EQ(formatOf(styles, attr(c, "s")), r.format) << c;
        }
    }
    EXPECT_TRUE(cell(sheet, "C3").empty());  // an empty cell is not written
    // The header is bold; texts are UTF-8 in the file.
    EXPECT_NE(styles.find("<b/>"), std::string::npos);
    EXPECT_NE(strings.find("Citt\xC3\xA0"), std::string::npos);
    EXPECT_NE(strings.find("Forl\xC3\xAC"), std::string::npos);
    EXPECT_NE(sheet.find("<col min=\"1\" max=\"1\" width=\"12"), std::string::npos) << sheet;
    EXPECT_NE(part("out.xlsx", "xl/workbook.xml").find("name=\"Versamenti 2025\""),
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
    const std::string sheet = part("it.xlsx", "xl/worksheets/sheet1.xml");
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
