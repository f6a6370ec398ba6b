#include "settings/dichiarazioni.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <optional>
#include <string>

#include "common/text.h"
#include "demo/demo.h"
#include "reports/fiscal/fiscal_support.h"
#include "reports/reports.h"
#include "support/data_folder.h"
#include "support/fake_io.h"

namespace corvex {
namespace {

using test::insertRow;
namespace fs = std::filesystem;

TEST(LeggiImporto, AcceptedAndRefusedForms) {
    struct Row {
        const char* typed;
        std::optional<std::int64_t> units;
    };
    const Row rows[] = {
        {"1234,50", 12345000},
        {"1234.50", 12345000},
        {"1.234,50", 12345000},
        {"12.345.678,9", 123456789000},
        {" 7,5 ", 75000},
        {"1234", 12340000},
        {"0,01", 100},
        {"999.999.999,99", 9999999999900},
        {"", std::nullopt},
        {"0", std::nullopt},
        {"0,00", std::nullopt},
        {"-5", std::nullopt},
        {"+5", std::nullopt},
        {"12,345", std::nullopt},
        {"1.234", std::nullopt},
        {"1.234.567", std::nullopt},
        {"12.34,50", std::nullopt},
        {"1.2345,00", std::nullopt},
        {".234,50", std::nullopt},
        {",50", std::nullopt},
        {"12,", std::nullopt},
        {"1,2,3", std::nullopt},
        {"1 234,50", std::nullopt},
        {"12 EUR", std::nullopt},
        {"1234.,5", std::nullopt},
        {"1234567890", std::nullopt},
    };
    for (const auto& r : rows) {
        std::string why;
        const auto got = leggiImporto(r.typed, &why);
        if (r.units) {
            ASSERT_TRUE(got) << r.typed << ": " << why;
            EXPECT_EQ(got->units(), *r.units) << r.typed;
        } else {
            EXPECT_FALSE(got) << r.typed << " accepted as " << got->toPlainText();
            EXPECT_FALSE(why.empty()) << r.typed;
        }
    }
}

// IdS.mdb of hotel 1 with every Generale code set, two items Generale does
// not name, and a hotel 2 whose rows must not leak in.
void writeSettings() {
    insertRow("IdS.mdb", "Generale",
              {{"NumeroHotel", 1},
               {"CodiceIva", 99},
               {"GGMax", 10},
               {"CodGGMax", 6},
               {"NConto", 0},
               {"CodMin", 3},
               {"EtaMin", 14},
               {"CodGrp", 5},
               {"CodRes", 4},
               {"DesRes", "Res"},
               {"CodStd", 1},
               {"CodFEta", 2},
               {"EtaDa", 14},
               {"EtaFinoA", 17}});
    insertRow("IdS.mdb", "Generale", {{"NumeroHotel", 2}, {"CodStd", 8}});
    const char* names[] = {"STANDARD", "RIDOTTA", "MINORI",   "RESIDENTI",
                           "GRUPPI",   "OLTRE",   "DISABILI", "SENZA CATEGORIA"};
    for (int code = 8; code >= 1; --code)
        insertRow("IdS.mdb", "VociIdS",
                  {{"NumeroHotel", 1}, {"Codice", code}, {"Descrizione", names[code - 1]}});
    insertRow("IdS.mdb", "VociIdS", {{"NumeroHotel", 2}, {"Codice", 9}, {"Descrizione", "H2"}});
}

TEST(CategorieVoci, FromGeneraleThenFromTheirTableElseAnErrorNamingTheItem) {
    test::TempDataFolder folder;
    writeSettings();
    salvaCategoriaVoce(7, Categoria::Esente, cp("disabilità"));
    salvaCategoriaVoce(3, Categoria::Piena, "");  // Generale names 3: this row is not used
    salvaCategoriaVoce(7, Categoria::Esente, cp("disabili"));  // replaces the first

    struct Row {
        int code;
        std::optional<Categoria> categoria;
        const char* motivo;
        const char* origine;
    };
    const Row expected[] = {
        {1, Categoria::Piena, "", "Generale.CodStd"},
        {2, Categoria::Ridotta, "età da 14 a 17 anni", "Generale.CodFEta"},
        {3, Categoria::Esente, "minori", "Generale.CodMin"},
        {4, Categoria::Esente, "residenti", "Generale.CodRes"},
        {5, Categoria::Esente, "gruppi", "Generale.CodGrp"},
        {6, Categoria::Esclusa, "oltre 10 notti", "Generale.CodGGMax"},
        {7, Categoria::Esente, "disabili", "CategorieVoci"},
        {8, std::nullopt, "", ""},
    };
    const auto got = leggiCategorieVoci();
    ASSERT_EQ(got.size(), std::size(expected));
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].codice, expected[i].code);
        EXPECT_EQ(got[i].categoria, expected[i].categoria) << got[i].codice;
        EXPECT_EQ(cp1252ToUtf8(got[i].motivo), expected[i].motivo) << got[i].codice;
        EXPECT_EQ(got[i].origine, expected[i].origine) << got[i].codice;
    }
    try {
        categorieVoci();
        FAIL() << "item 8 has no category";
    } catch (const CategoriaMancante& e) {
        EXPECT_EQ(e.codice(), 8);
        EXPECT_NE(std::string(e.what()).find("voce d'imposta 8 (SENZA CATEGORIA)"),
                  std::string::npos)
            << e.what();
    }
    salvaCategoriaVoce(8, Categoria::Esclusa, "");
    EXPECT_EQ(categorieVoci().back().categoria, Categoria::Esclusa);
}

TEST(Versamenti, RoundTripKeepsTheExactAmountAndNeverReusesAnId) {
    test::TempDataFolder folder;
    EXPECT_TRUE(leggiVersamenti().empty());
    EXPECT_FALSE(folder.exists(kFileDichiarazioni));  // reading creates nothing
    Versamento v{0,
                 "16/04/2025",
                 Currency::fromUnits(12345000),
                 "01/01/2025",
                 "31/03/2025",
                 "RF18 0001",
                 "pagoPA",
                 cp("nota è")};
    EXPECT_EQ(aggiungiVersamento(v), 1);
    v.data = "10/01/2025";
    EXPECT_EQ(aggiungiVersamento(v), 2);
    EXPECT_EQ(aggiungiVersamento(v, 2), 3);
    auto got = leggiVersamenti();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].id, 2);  // by date of payment
    EXPECT_EQ(got[1].importo, Currency::fromUnits(12345000));
    EXPECT_EQ(got[1].nota, cp("nota è"));
    EXPECT_EQ(got[1].al, "31/03/2025");
    EXPECT_FALSE(eliminaVersamento(3));  // another hotel's
    EXPECT_TRUE(eliminaVersamento(2));
    EXPECT_FALSE(eliminaVersamento(2));
    EXPECT_TRUE(eliminaVersamento(3, 2));
    EXPECT_EQ(aggiungiVersamento(v), 4);
}

// The demo folder's file: the tables the store creates, the structure, a
// payment for the one quarter of the small folder (short), every item with
// its category.
TEST(Versamenti, DemoFolderHasTheFilingsData) {
    test::TempDataFolder folder;
    demo::generate(folder.path(), {demo::Size::Small, 1});
    EXPECT_EQ(leggiStruttura().comune, "Lucca");
    EXPECT_EQ(leggiStruttura().codiceFiscaleGestore, "01234567890");
    const auto paid = leggiVersamenti();
    ASSERT_EQ(paid.size(), 1u);
    EXPECT_EQ(paid[0].dal + " " + paid[0].al + " " + paid[0].data,
              "01/10/2025 31/12/2025 16/01/2026");
    // A tenth short of the tax the detail on documents counts for the quarter.
    {
        test::FakeIo io;
        ReportRequest q;
        q.dal = paid[0].dal;
        q.al = paid[0].al;
        q.contatore = 0;
        StampaDettaglioImposta(q, io);
        Currency collected;
        for (const auto& line : splitLines(folder.readFile("fd0"))) {
            if (line.find(" Pernott. ") == std::string::npos) continue;
            std::string amount;
            for (char c : line.substr(line.rfind(' ') + 1))
                if (c != '.') amount += c == ',' ? '.' : c;
            collected += Currency::parse(amount).value_or(Currency::whole(-1000000));
        }
        EXPECT_GT(collected, Currency());
        EXPECT_EQ(paid[0].importo, Currency::fromUnits(collected.units() * 9 / 10 / 100 * 100));
    }
    EXPECT_EQ(categorieVoci().size(), 4u);

    fs::create_directory("store");
    fs::current_path("store");
    PreparaDichiarazioni();
    fs::current_path("..");
    const auto schema = [](const std::string& file) {
        std::string out;
        sqlite3* db = nullptr;
        sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT sql FROM sqlite_master ORDER BY rowid", -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW)
            out += reinterpret_cast<const char*>(sqlite3_column_text(st, 0)) + std::string("\n");
        sqlite3_finalize(st);
        sqlite3_close(db);
        return out;
    };
    EXPECT_EQ(schema(kFileDichiarazioni), schema("store/" + std::string(kFileDichiarazioni)));
}

}  // namespace
}  // namespace corvex
