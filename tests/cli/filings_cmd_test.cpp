// `corvex remittance` and `corvex settings`: the data of the filings.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "cli/remittance.h"
#include "cli/settings_cmd.h"
#include "cli_test_support.h"
#include "common/text.h"
#include "settings/dichiarazioni.h"

namespace corvex::cli {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int code;
    std::string out, err;
};

Outcome remittance(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = runRemittance(args, out, err);
    return {code, out.str(), err.str()};
}

std::string bytesOf(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Outcome settings(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = runSettings(args, out, err);
    return {code, out.str(), err.str()};
}

std::vector<std::string> addArgs(const std::string& date, const std::string& amount,
                                 const std::string& reference) {
    return {"add",        "--date", date,         "--amount",    amount,   "--from",
            "01/01/2025", "--to",   "31/03/2025", "--reference", reference};
}

class FilingsCommands : public testing::DataFolderTest {};

TEST_F(FilingsCommands, RemittanceAddListDelete) {
    auto r = remittance(addArgs("16/04/2025", "1.234,5", "CRO 123"));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "Versamento 1 registrato: 16/04/2025 1.234,50 per il periodo 01/01/2025 - "
              "31/03/2025, riferimento CRO 123\n");
    auto more = addArgs("160125", "80.00", "RF18 è");
    more.insert(more.end(), {"--channel", "pagoPA", "--note=IV trimestre"});
    more[6] = "01/10/2024";
    more[8] = "31/12/2024";
    ASSERT_EQ(remittance(more).code, 0);

    r = remittance({"list"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "    Id  Data               Importo  Periodo versato          Canale          "
              "Riferimento\n"
              "     2  16/01/2025           80,00  01/10/2024 - 31/12/2024  pagoPA          "
              "RF18 è  (IV trimestre)\n"
              "     1  16/04/2025        1.234,50  01/01/2025 - 31/03/2025                  "
              "CRO 123\n"
              "Totale: 2 versamenti, 1.314,50\n");
    // A year lists what covers it: the January payment belongs to 2024.
    r = remittance({"list", "--year", "2024"});
    EXPECT_NE(r.out.find("RF18"), std::string::npos);
    EXPECT_EQ(r.out.find("CRO 123"), std::string::npos);
    EXPECT_EQ(remittance({"list", "--year=2023"}).out, "Nessun versamento per il 2023\n");

    // The same reference again is told, not refused.
    r = remittance(addArgs("17/04/2025", "1", "cro 123"));
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.err.find("è già nel versamento 1"), std::string::npos) << r.err;

    EXPECT_EQ(remittance({"delete", "1"}).code, 0);
    r = remittance({"delete", "1"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "corvex: remittance: nessun versamento con Id 1\n");
    EXPECT_EQ(remittance({"list"}).out.find("CRO 123"), std::string::npos);
    EXPECT_EQ(remittance({"add", "--help"}).code, 0);
}

TEST_F(FilingsCommands, BadRemittanceWritesNothing) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"pay"},
        addArgs("31/02/2025", "10", "R"),
        addArgs("16/04/2025", "12,345", "R"),
        addArgs("16/04/2025", "-3", "R"),
        addArgs("16/04/2025", "10", " "),
        addArgs("16/04/2025", "10", std::string(51, 'x')),
        {"add", "--date", "16/04/2025", "--amount", "10", "--from", "01/04/2025", "--to",
         "31/03/2025", "--reference", "R"},
        {"add", "--date", "16/04/2025", "--amount", "10", "--from", "01/01/2025", "--reference",
         "R"},
        {"add", "--date", "16/04/2025", "--date", "17/04/2025", "--amount", "10"},
        {"add", "--amount", "10", "--colour", "red"},
        {"add", "extra"},
        {"list", "--year", "25"},
        {"delete"},
        {"delete", "x"},
        {"delete", "7"},
    };
    for (const auto& args : bad) {
        const auto r = remittance(args);
        EXPECT_EQ(r.code, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(r.err.rfind("corvex: remittance: ", 0), 0u) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_FALSE(fs::exists(kFileDichiarazioni)) << ::testing::PrintToString(args);
    }
    EXPECT_EQ(remittance(addArgs("16/04/2025", "12,345", "R")).err,
              "corvex: remittance: --amount: \"12,345\" non è un importo valido: al massimo due "
              "decimali\n");
}

TEST_F(FilingsCommands, StructureAndCategories) {
    auto r = settings({"structure", "--set", "comune=Forlì",
                       "--set=codice-fiscale=rssmra80a01h501u", "--set", "codice=IT046017A1"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string before = bytesOf(kFileDichiarazioni);
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"structure", "--set", "colore=blu"},
                                               {"structure", "--set", "comune"},
                                               {"structure", "--set", "codice-fiscale=123"},
                                               {"structure"},
                                               {"category", "--item", "7", "--category", "free"}}) {
        r = settings(args);
        EXPECT_EQ(r.code, 2) << ::testing::PrintToString(args);
    }
    EXPECT_EQ(bytesOf(kFileDichiarazioni), before);
    const Struttura s = leggiStruttura();
    EXPECT_EQ(s.comune, cp("Forlì"));
    EXPECT_EQ(s.codiceFiscaleGestore, "RSSMRA80A01H501U");

    // Without IdS.mdb, categories cannot be set (file error) and show says so.
    EXPECT_EQ(settings({"category", "--item", "7", "--category", "exempt", "--reason", "x"}).code,
              1);
    r = settings({"show"});
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("comune          Forlì\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("gestore         (non indicato)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("IdS.mdb non trovato"), std::string::npos) << r.out;

    test::insertRow("IdS.mdb", "Generale", {{"NumeroHotel", 1}, {"CodStd", 1}, {"CodMin", 3}});
    for (int code : {1, 3, 7})
        test::insertRow("IdS.mdb", "VociIdS",
                        {{"NumeroHotel", 1}, {"Codice", code}, {"Descrizione", "V"}});
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"category", "--item", "3", "--category", "full"},       // Generale names it
             {"category", "--item", "9", "--category", "full"},       // not a tax item
             {"category", "--item", "7", "--category", "exempt"}}) {  // no reason
        r = settings(args);
        EXPECT_EQ(r.code, 2) << ::testing::PrintToString(args) << r.err;
    }
    r = settings({"show"});
    EXPECT_NE(r.out.find("     7  V                               NESSUNA CATEGORIA"),
              std::string::npos)
        << r.out;
    r = settings({"category", "--item", "7", "--category", "exempt", "--reason", "disabili"});
    ASSERT_EQ(r.code, 0) << r.err;
    r = settings({"show"});
    EXPECT_NE(r.out.find("     3  V                               esente    minori                "
                         "      da Generale.CodMin\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("esente    disabili                    da CategorieVoci\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("NESSUNA"), std::string::npos);
}

// A genuine Jet IdS.mdb: categories are read from it, the filings' data
// goes to the file beside it, and its bytes stay as they were.
TEST_F(FilingsCommands, JetSettingsStayUntouched) {
    const fs::path jet = fs::path(CORVEX_SHARED_DIR) / "fixtures/jet-hotel/jet/IdS.mdb";
    if (!fs::exists(jet)) GTEST_SKIP() << "no Jet fixture at " << jet;
    fs::copy_file(jet, "IdS.mdb");
    const std::string bytes = bytesOf("IdS.mdb");
    EXPECT_EQ(remittance(addArgs("16/04/2025", "10", "R")).code, 0);
    EXPECT_EQ(settings({"structure", "--set", "comune=Roma"}).code, 0);
    EXPECT_EQ(settings({"category", "--item", "501", "--category", "full"}).code, 2);
    const auto r = settings({"show"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("da Generale.CodStd"), std::string::npos) << r.out;
    EXPECT_EQ(categorieVoci().size(), 4u);
    EXPECT_EQ(bytesOf("IdS.mdb"), bytes);
}

}  // namespace
}  // namespace corvex::cli
