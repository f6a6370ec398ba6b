#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "reports/reports.h"
#include "reports/tax/register_data.h"
#include "reports/tax/scripted_io.h"
#include "support/data_folder.h"

namespace {

using namespace corvex::test;
using corvex::test::FakeIo;
using corvex::test::reportBytes;
using corvex::test::TempDataFolder;

const std::string kRule(89, '-');
const std::string kHeading =
    "Giorno Presenze totali     Presenze esenti      Presenze paganti     Totale riscosso     ";

std::vector<std::string> testata(const std::string& dal, const std::string& al) {
    return {"",   "RIEPILOGO IMPOSTA DI SOGGIORNO DAL " + dal + " AL " + al, "", kRule, kHeading,
            kRule};
}

// Nights 30/01 to 02/02/2024: a guest leaving 01/02, a departed guest whose
// planned departure is later than the real one, a guest marked '*', an
// archived guest, exempt, negative and non-tax lines, a tax line on the
// departure day.
void periodoAFineMese() {
    cartellaBase();
    ospite(
        "Scheda_Cliente.mdb",
        {.id = 10, .camera = "101", .arrivo = "20240128", .partito = "N", .partenza = "20240201"});
    ospite("Scheda_Cliente.mdb", {.id = 11,
                                  .camera = "102",
                                  .arrivo = "20240131",
                                  .partito = "S",
                                  .partenza = "20240210",
                                  .partenzaReale = "20240202"});
    ospite("Scheda_Cliente.mdb", {.id = 12,
                                  .camera = "103",
                                  .arrivo = "20240129",
                                  .partito = "N",
                                  .partenza = "20240205",
                                  .lingua = "I*"});
    ospite("SchedaStoricoClienti.mdb", {.id = 5,
                                        .camera = "104",
                                        .arrivo = "20240125",
                                        .partito = "S",
                                        .partenza = "20240131",
                                        .partenzaReale = "20240131"});

    addebito("Conto_Cliente.mdb", 10, 502, "20240130", "101", 1, 0.0);
    addebito("Conto_Cliente.mdb", 10, 501, "20240130", "101", 2, 4.0);
    addebito("Conto_Cliente.mdb", 10, 501, "20240131", "101", 2, 4.0);
    addebito("Conto_Cliente.mdb", 11, 501, "20240131", "102", 1, -2.0);
    addebito("Conto_Cliente.mdb", 11, 100, "20240131", "102", 1, 80.0);
    addebito("Conto_Cliente.mdb", 11, 501, "20240201", "102", 1, 2.5);
    addebito("Conto_Cliente.mdb", 11, 501, "20240202", "102", 1, 2.5);
    addebito("Conto_Cliente.mdb", 12, 501, "20240130", "103", 1, 2.0);
    addebito("ContoStoricoClienti.mdb", 5, 501, "20240130", "104", 3, 7.5);
}

TEST(StampaRiepilogoImposta, OneRowPerNightAcrossTheMonthEnd) {
    TempDataFolder dir;
    periodoAFineMese();
    FakeIo io;
    corvex::StampaRiepilogoImposta(periodo("30/01/2024", "02/02/2024"), io);

    EXPECT_EQ(dir.readFile("fd0"),
              reportBytes(
                  testata("30/01/2024", "02/02/2024") +
                  std::vector<std::string>{
                      "  30             2                   1                    5                "
                      "       11,50",
                      kRule,
                      "  31             2                   1                    2                "
                      "        4,00",
                      kRule,
                      "  01             1                   0                    1                "
                      "        2,50",
                      kRule,
                      "  02             0                   0                    0                "
                      "        0,00",
                      kRule,
                      "                 5                   2                    8                "
                      "       18,00",
                      kRule}));
    EXPECT_EQ(io.printMenus, 1);
}

TEST(StampaRiepilogoImposta, TraceFileListsTheRoomOfEveryTaxLineInReadingOrder) {
    TempDataFolder dir;
    periodoAFineMese();
    dir.writeFile("CorvexLog.txt", "old content\r\n");
    FakeIo io;
    corvex::StampaRiepilogoImposta(periodo("30/01/2024", "02/02/2024"), io);
    // 30: live 501 then 502, then the archive; 31: two 501 lines in table order.
    EXPECT_EQ(dir.readFile("CorvexLog.txt"),
              reportBytes({"101", "101", "104", "101", "102", "102"}));
}

TEST(StampaRiepilogoImposta, StartAfterEndGivesOnlyZeroTotals) {
    TempDataFolder dir;
    periodoAFineMese();
    FakeIo io;
    corvex::StampaRiepilogoImposta(periodo("02/02/2024", "30/01/2024"), io);
    EXPECT_EQ(dir.readFile("fd0"),
              reportBytes(
                  testata("02/02/2024", "30/01/2024") +
                  std::vector<std::string>{
                      "                 0                   0                    0                "
                      "        0,00",
                      kRule}));
    EXPECT_EQ(dir.readFile("CorvexLog.txt"), "");
}

TEST(StampaRiepilogoImposta, RoomRangeComparesAsText) {
    TempDataFolder dir;
    cartellaBase();
    ospite("Scheda_Cliente.mdb",
           {.id = 1, .camera = "9", .arrivo = "20240301", .partito = "N", .partenza = "20240303"});
    ospite("Scheda_Cliente.mdb",
           {.id = 2, .camera = "10", .arrivo = "20240301", .partito = "N", .partenza = "20240303"});
    ospite("Scheda_Cliente.mdb",
           {.id = 3, .camera = "90", .arrivo = "20240301", .partito = "N", .partenza = "20240303"});
    addebito("Conto_Cliente.mdb", 2, 501, "20240301", "10", 2, 5.0);
    addebito("Conto_Cliente.mdb", 3, 501, "20240301", "90", 1, 2.5);
    FakeIo io;

    // "9" to "10" is an empty range as text: nobody, not rooms 9 and 10.
    corvex::StampaRiepilogoImposta(periodo("01/03/2024", "01/03/2024", "9", "10"), io);
    EXPECT_EQ(dir.readFile("fd0"),
              reportBytes(
                  testata("01/03/2024", "01/03/2024") +
                  std::vector<std::string>{
                      "  01             0                   0                    0                "
                      "        0,00",
                      kRule,
                      "                 0                   0                    0                "
                      "        0,00",
                      kRule}));

    // "1" to "9": room 10 is inside, room 90 is not.
    const std::string nove = reportBytes(
        testata("01/03/2024", "01/03/2024") +
        std::vector<std::string>{"  01             2                   0                    2 "
                                 "                       5,00",
                                 kRule,
                                 "                 2                   0                    2 "
                                 "                       5,00",
                                 kRule});
    corvex::StampaRiepilogoImposta(periodo("01/03/2024", "01/03/2024", "1", "9"), io);
    EXPECT_EQ(dir.readFile("fd0"), nove);

    // A quote in a room bound is data, not SQL: "1'0" to "9'" holds 9 and 10, not 90.
    corvex::StampaRiepilogoImposta(periodo("01/03/2024", "01/03/2024", "1'0", "9'"), io);
    EXPECT_EQ(dir.readFile("fd0"), nove);
}

TEST(StampaRiepilogoImposta, FiguresWiderThanTheirColumnWidenTheRow) {
    TempDataFolder dir;
    cartellaBase();
    corvex::test::runSql("Scheda_Cliente.mdb",
                         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                         "1000) INSERT INTO Scheda_Cliente (NumeroHotel, NumeroProgressivo, "
                         "NumeroCamera, DataArrivo, DataPartenza, Partito, Lingua) SELECT 1, i, "
                         "'101', '20240305', '20240306', 'N', 'I' FROM n");
    FakeIo io;
    corvex::StampaRiepilogoImposta(periodo("05/03/2024", "05/03/2024"), io);
    EXPECT_EQ(dir.readFile("fd0"),
              reportBytes(
                  testata("05/03/2024", "05/03/2024") +
                  std::vector<std::string>{
                      "  05           1000                   0                    0               "
                      "         0,00",
                      kRule,
                      "              1000                   0                    0                "
                      "        0,00",
                      kRule}));
}

TEST(StampaRiepilogoImposta, WithAmpersandTheArchiveIsReadFromDirKv) {
    TempDataFolder dir;
    cartellaBase("A&");
    // The data folder's archive holds a guest that must not be counted.
    ospite("SchedaStoricoClienti.mdb", {.id = 7,
                                        .camera = "105",
                                        .arrivo = "20240101",
                                        .partito = "S",
                                        .partenza = "20240110",
                                        .partenzaReale = "20240110"});
    std::filesystem::create_directories("kv");
    ospite("kv/SchedaStoricoClienti.mdb", {.id = 5,
                                           .camera = "104",
                                           .arrivo = "20240103",
                                           .partito = "S",
                                           .partenza = "20240105",
                                           .partenzaReale = "20240105"});
    addebito("kv/ContoStoricoClienti.mdb", 5, 501, "20240104", "104", 2, 5.0);
    DirKv env("kv");
    FakeIo io;
    corvex::StampaRiepilogoImposta(periodo("04/01/2024", "04/01/2024"), io);
    EXPECT_EQ(dir.readFile("fd0"),
              reportBytes(
                  testata("04/01/2024", "04/01/2024") +
                  std::vector<std::string>{
                      "  04             1                   0                    2                "
                      "        5,00",
                      kRule,
                      "                 1                   0                    2                "
                      "        5,00",
                      kRule}));
}

TEST(StampaRiepilogoImposta, WithAmpersandAMissingArchiveStopsBeforeAnyOutput) {
    TempDataFolder dir;
    cartellaBase("&");
    std::filesystem::create_directories("kv");
    DirKv env("kv");
    FakeIo io;
    try {
        corvex::StampaRiepilogoImposta(periodo("04/01/2024", "04/01/2024"), io);
        FAIL() << "a missing archive was not reported";
    } catch (const corvex::ReportError& e) {
        EXPECT_NE(std::string(e.what()).find("kv/SchedaStoricoClienti.mdb"), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(io.printMenus, 0);
    EXPECT_FALSE(std::filesystem::exists("fd0"));
}

TEST(StampaRiepilogoImposta, InvalidDateIsAnErrorNamingIt) {
    TempDataFolder dir;
    cartellaBase();
    FakeIo io;
    try {
        corvex::StampaRiepilogoImposta(periodo("01/02/2024", "30/02/2024"), io);
        FAIL() << "an invalid end date was accepted";
    } catch (const corvex::ReportError& e) {
        EXPECT_NE(std::string(e.what()).find("30/02/2024"), std::string::npos) << e.what();
    }
    EXPECT_EQ(io.printMenus, 0);
}

}  // namespace

// A damaged amount (beyond the Currency range) and amounts whose sum is beyond
// it stop the report with an error naming the table and the row, instead of
// a total wrapped round to a negative one.
TEST(StampaRiepilogoImposta, AmountsOutOfRangeStopWithTheirTableAndRow) {
    const std::vector<std::vector<double>> cases = {{9.5e14}, {9e14, 9e14}};
    for (const auto& importi : cases) {
        TempDataFolder dir;
        cartellaBase();
        ospite("Scheda_Cliente.mdb", {.id = 10,
                                      .camera = "101",
                                      .arrivo = "20240128",
                                      .partito = "N",
                                      .partenza = "20240201"});
        addebito("Conto_Cliente.mdb", 10, 501, "20240130", "101", 1, 2.5);
        for (double importo : importi)
            addebito("Conto_Cliente.mdb", 10, 501, "20240130", "101", 1, importo);
        FakeIo io;
        try {
            corvex::StampaRiepilogoImposta(periodo("30/01/2024", "30/01/2024"), io);
            FAIL() << "no error for " << importi.size() << " amounts";
        } catch (const std::exception& e) {
            const std::string what = e.what();
            for (const char* part : {"Conto_Cliente.mdb", "tabella Conto_Cliente, riga ",
                                     "CodiceCliente 10", "fuori dall'intervallo della valuta"})
                EXPECT_NE(what.find(part), std::string::npos) << what;
        }
    }
}
