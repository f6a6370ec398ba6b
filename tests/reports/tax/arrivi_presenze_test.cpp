#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/text.h"
#include "reports/reports.h"
#include "reports/tax/register_data.h"
#include "reports/tax/scripted_io.h"
#include "support/data_folder.h"

namespace {

using namespace corvex::test;

const std::string kRule(73, '-');

std::vector<std::string> testata(const std::string& dal, const std::string& al) {
    return {"",
            "DETTAGLIO ARRIVI E PRESENZE PER TIPO IMPOSTA DI SOGGIORNO DAL " + dal + " AL " + al,
            "",
            kRule,
            "Descrizione                                Arrivi    Presenze   Importo  ",
            kRule};
}

// Period 01/02 to 03/02/2024 with items 501, 502, 503 (description longer
// than 40 characters) and 504 (never charged).
void periodoFebbraio() {
    cartellaBase();
    voce(503, "Imposta di soggiorno per gruppi organizzati", "IDS");
    voce(504, "Esenzione", "IDS");

    // Arrived in the period: two nights of 2 persons, one exempt minor, a
    // room charge that is no tax.
    ospite("Scheda_Cliente.mdb",
           {.id = 10, .camera = "101", .arrivo = "20240201", .partenza = "20240205"});
    addebito("Conto_Cliente.mdb", 10, 501, "20240201", "101", 2, 5.0);
    addebito("Conto_Cliente.mdb", 10, 502, "20240201", "101", 1, 0.0);
    addebito("Conto_Cliente.mdb", 10, 100, "20240201", "101", 1, 80.0);
    addebito("Conto_Cliente.mdb", 10, 501, "20240202", "101", 2, 5.0);
    // Stay 28/01 to 05/02: presences in the period, no arrival; the line of
    // 30/01 lies outside the period.
    ospite("Scheda_Cliente.mdb", {.id = 11,
                                  .camera = "102",
                                  .arrivo = "20240128",
                                  .partito = "S",
                                  .partenza = "20240210",
                                  .partenzaReale = "20240205"});
    addebito("Conto_Cliente.mdb", 11, 501, "20240130", "102", 1, 2.5);
    addebito("Conto_Cliente.mdb", 11, 501, "20240201", "102", 1, 2.5);
    addebito("Conto_Cliente.mdb", 11, 501, "20240202", "102", 1, 2.5);
    addebito("Conto_Cliente.mdb", 11, 501, "20240203", "102", 1, 2.5);
    // Marked '*': never counted.
    ospite(
        "Scheda_Cliente.mdb",
        {.id = 12, .camera = "103", .arrivo = "20240201", .partenza = "20240203", .lingua = "D*"});
    addebito("Conto_Cliente.mdb", 12, 501, "20240201", "103", 1, 2.5);
    // Arrived on the end date, charged on two items.
    ospite("Scheda_Cliente.mdb",
           {.id = 13, .camera = "104", .arrivo = "20240203", .partenza = "20240206"});
    addebito("Conto_Cliente.mdb", 13, 501, "20240203", "104", 3, 7.5);
    addebito("Conto_Cliente.mdb", 13, 503, "20240203", "104", 1, 1.0);
    // Archived guest: same arithmetic, after the live ones.
    ospite("SchedaStoricoClienti.mdb", {.id = 5,
                                        .camera = "105",
                                        .arrivo = "20240202",
                                        .partito = "S",
                                        .partenza = "20240203",
                                        .partenzaReale = "20240203"});
    addebito("ContoStoricoClienti.mdb", 5, 501, "20240202", "105", 2, 5.0);
}

TEST(StampaArriviPresenze, ArrivalsOncePerGuestAndItemPresencesPerLine) {
    TempDataFolder dir;
    periodoFebbraio();
    FakeIo io;
    corvex::StampaArriviPresenze(periodo("01/02/2024", "03/02/2024"), io);
    EXPECT_EQ(
        dir.readFile("fd0"),
        reportBytes(
            testata("01/02/2024", "03/02/2024") +
            std::vector<std::string>{
                "Imposta di soggiorno                            7         12        30,00",
                "Imposta di soggiorno minori                     1          1         0,00",
                "Imposta di soggiorno per gruppi organizz        1          1         1,00",
                "Esenzione                                       0          0         0,00", kRule,
                "                                                9         14        31,00"}));
    EXPECT_EQ(io.printMenus, 1);
}

TEST(StampaArriviPresenze, RoomRangeComparesAsText) {
    TempDataFolder dir;
    periodoFebbraio();
    FakeIo io;
    // "9" to "10" holds no room as text.
    corvex::StampaArriviPresenze(periodo("01/02/2024", "03/02/2024", "9", "10"), io);
    EXPECT_EQ(
        dir.readFile("fd0"),
        reportBytes(
            testata("01/02/2024", "03/02/2024") +
            std::vector<std::string>{
                "Imposta di soggiorno                            0          0         0,00",
                "Imposta di soggiorno minori                     0          0         0,00",
                "Imposta di soggiorno per gruppi organizz        0          0         0,00",
                "Esenzione                                       0          0         0,00", kRule,
                "                                                0          0         0,00"}));
    // "105" to "105'": the archived guest's room alone (a quote in a bound is data).
    corvex::StampaArriviPresenze(periodo("01/02/2024", "03/02/2024", "105", "105'"), io);
    EXPECT_EQ(
        dir.readFile("fd0"),
        reportBytes(
            testata("01/02/2024", "03/02/2024") +
            std::vector<std::string>{
                "Imposta di soggiorno                            2          2         5,00",
                "Imposta di soggiorno minori                     0          0         0,00",
                "Imposta di soggiorno per gruppi organizz        0          0         0,00",
                "Esenzione                                       0          0         0,00", kRule,
                "                                                2          2         5,00"}));
}

TEST(StampaArriviPresenze, EveryTaxItemHasItsRowUpToTheLast) {
    TempDataFolder dir;
    hotel("");
    runSql("VociFattura.mdb",
           "CREATE TABLE VociFattura (" + suiteColumns("VociFattura") +
               "); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 51) "
               "INSERT INTO VociFattura (NumeroHotel, Codice, Descrizione, Reparto) SELECT 1, i, "
               "'Voce ' || i, 'IDS' FROM n");
    createSuiteTable("SchedaStoricoClienti.mdb", "Scheda_Cliente");
    createSuiteTable("ContoStoricoClienti.mdb", "Conto_Cliente");
    ospite("Scheda_Cliente.mdb",
           {.id = 1, .camera = "101", .arrivo = "20240301", .partenza = "20240302"});
    addebito("Conto_Cliente.mdb", 1, 50, "20240301", "101", 2, 5.0);
    addebito("Conto_Cliente.mdb", 1, 51, "20240301", "101", 1, 2.5);
    FakeIo io;
    corvex::StampaArriviPresenze(periodo("01/03/2024", "01/03/2024"), io);

    const std::vector<std::string> lines = corvex::splitLines(dir.readFile("fd0"));
    ASSERT_EQ(lines.size(), 6u + 51u + 2u);
    EXPECT_EQ(lines[6],
              "Voce 1                                          0          0         0,00");
    EXPECT_EQ(lines[6 + 49],
              "Voce 50                                         2          2         5,00");
    EXPECT_EQ(lines[6 + 50],
              "Voce 51                                         1          1         2,50");
    EXPECT_EQ(lines.back(),
              "                                                3          3         7,50");
}

TEST(StampaArriviPresenze, WithAmpersandAMissingArchiveIsAnErrorBeforeAnyOutput) {
    TempDataFolder dir;
    cartellaBase("&R");
    std::filesystem::create_directories("kv");
    DirKv env("kv");
    FakeIo io;
    try {
        corvex::StampaArriviPresenze(periodo("01/02/2024", "03/02/2024"), io);
        FAIL() << "a missing archive was not reported";
    } catch (const corvex::ReportError& e) {
        EXPECT_NE(std::string(e.what()).find("kv/SchedaStoricoClienti.mdb"), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(io.printMenus, 0);
    EXPECT_FALSE(dir.exists("fd0"));
}

TEST(StampaArriviPresenze, WithAmpersandTheArchiveIsReadFromDirKv) {
    TempDataFolder dir;
    cartellaBase("&");
    std::filesystem::create_directories("kv");
    ospite("kv/SchedaStoricoClienti.mdb", {.id = 5,
                                           .camera = "105",
                                           .arrivo = "20240202",
                                           .partito = "S",
                                           .partenza = "20240203",
                                           .partenzaReale = "20240203"});
    addebito("kv/ContoStoricoClienti.mdb", 5, 502, "20240202", "105", 2, 0.0);
    // The data folder's archive is not read.
    addebito("ContoStoricoClienti.mdb", 5, 501, "20240202", "105", 9, 9.0);
    DirKv env("kv");
    FakeIo io;
    corvex::StampaArriviPresenze(periodo("01/02/2024", "03/02/2024"), io);
    EXPECT_EQ(
        dir.readFile("fd0"),
        reportBytes(
            testata("01/02/2024", "03/02/2024") +
            std::vector<std::string>{
                "Imposta di soggiorno                            0          0         0,00",
                "Imposta di soggiorno minori                     2          2         0,00", kRule,
                "                                                2          2         0,00"}));
}

}  // namespace
