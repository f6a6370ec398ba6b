// Report on departures: whole report files on small hand-made data folders.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/text.h"
#include "reports/reports.h"
#include "reports/tax/su_partenze.h"
#include "reports/tax/taxb_support.h"
#include "support/data_folder.h"

namespace corvex {
namespace {

using test::insertRow;
using test::Null;

// Expected lines use '|' for the frame character (byte 179).
std::string frame(std::vector<std::string> lines) {
    std::string out;
    for (auto& l : lines) {
        for (auto& c : l) {
            if (c == '|') c = '\xB3';
        }
        out += l + "\r\n";
    }
    return out;
}

void guest(const char* file, int numero, const char* camera, const char* nome, const char* arrivo,
           const char* partenza, test::Cell codIds, const char* lingua = "I") {
    insertRow(file, "Scheda_Cliente",
              {{"NumeroHotel", 1},
               {"NumeroProgressivo", numero},
               {"NumeroCamera", camera},
               {"NomeCliente", nome},
               {"DataArrivo", arrivo},
               {"DataPartenza", partenza},
               {"DataPartenzaReale", partenza},
               {"Partito", "S"},
               {"Lingua", lingua},
               test::column("CodIDS", codIds)});
}

class SuPartenze : public ::testing::Test {
  protected:
    void SetUp() override {
        insertRow("VociFattura.mdb", "VociFattura",
                  {{"NumeroHotel", 1},
                   {"Codice", 3},
                   {"Descrizione", "Imposta adulti"},
                   {"Reparto", "IDS"},
                   {"Importo", 2.5}});
        insertRow("VociFattura.mdb", "VociFattura",
                  {{"NumeroHotel", 1},
                   {"Codice", 4},
                   {"Descrizione", "Imposta ridotta"},
                   {"Reparto", "IDS"},
                   {"Importo", 1.0}});
        // Same code in another hotel: never the price used.
        insertRow("VociFattura.mdb", "VociFattura",
                  {{"NumeroHotel", 2},
                   {"Codice", 9},
                   {"Descrizione", "Altro"},
                   {"Reparto", "IDS"},
                   {"Importo", 50.0}});
        insertRow("AnagraficaHotels.mdb", "AnagraficaHotels",
                  {{"NumeroHotel", 1}, {"Numero", 1}, {"CodiceAssistenza", "R"}});
        test::createSuiteTable("Scheda_Cliente.mdb", "Scheda_Cliente");
        test::createSuiteTable("SchedaStoricoClienti.mdb", "Scheda_Cliente");
    }

    std::string run(const std::string& dal, const std::string& al, const std::string& prima = "",
                    const std::string& ultima = "ZZZZZZ") {
        ReportRequest r;
        r.dal = dal;
        r.al = al;
        r.primaCamera = prima;
        r.ultimaCamera = ultima;
        StampaSuPartenze(r, io);
        EXPECT_EQ(io.printMenus, 1);
        io.printMenus = 0;
        return dir.readFile("fd0");
    }

    test::TempDataFolder dir;
    test::FakeIo io;
};

TEST_F(SuPartenze, ListsLiveThenArchivedDeparturesWithNightsTimesUnitPrice) {
    guest("Scheda_Cliente.mdb", 10, "101", "Rossi Mario", "20240310", "20240313", 3);
    // Arrived and left the same day: no row, even with a "^" name.
    guest("Scheda_Cliente.mdb", 11, "101", "^Bianchi Anna", "20240305", "20240305", 3);
    // Only a leading "^" is dropped.
    guest("Scheda_Cliente.mdb", 12, "102", "^Verdi Luca", "20240301", "20240302", 4);
    guest("Scheda_Cliente.mdb", 13, "103", "Gialli Ugo", "20240301", "20240305", 3, "I*");
    guest("Scheda_Cliente.mdb", 14, "104", "Blu Ada", "20240325", "20240401", 3);
    // Across the leap day; a tax type without billing item costs nothing;
    // the name is cut to 30 characters.
    guest("Scheda_Cliente.mdb", 15, "105", "Abcdefghijklmnopqrstuvwxyz0123456789", "20240228",
          "20240302", 9);
    guest("SchedaStoricoClienti.mdb", 5, "201", "Neri ^Paolo", "20240320", "20240325", 3);
    guest("SchedaStoricoClienti.mdb", 3, "202", "Rosa Lia", "20240320", "20240325", 3, "*");
    guest("SchedaStoricoClienti.mdb", 4, "101", "Viola Eva", "20240210", "20240215", 3);

    EXPECT_EQ(run("01/03/2024", "31/03/2024"),
              frame({
                  "|10/03/2024|13/03/2024|    3|Rossi Mario                   |     3|      7,50|",
                  "|01/03/2024|02/03/2024|    1|Verdi Luca                    |     4|      1,00|",
                  "|28/02/2024|02/03/2024|    3|Abcdefghijklmnopqrstuvwxyz0123|     9|      0,00|",
                  "|20/03/2024|25/03/2024|    5|Neri ^Paolo                   |     3|     12,50|",
                  "|          |          |     |                              |      |     21,00|",
              }));
}

TEST_F(SuPartenze, RoomRangeComparesAsTextForLiveAndArchive) {
    guest("Scheda_Cliente.mdb", 1, "10", "Uno", "20240301", "20240302", 3);
    guest("Scheda_Cliente.mdb", 2, "2", "Due", "20240301", "20240302", 3);
    guest("Scheda_Cliente.mdb", 3, "90", "Tre", "20240301", "20240302", 3);
    guest("SchedaStoricoClienti.mdb", 4, "201", "Quattro", "20240301", "20240302", 3);
    guest("SchedaStoricoClienti.mdb", 5, "19", "Cinque", "20240301", "20240303", 3);

    EXPECT_EQ(run("01/03/2024", "31/03/2024", "1", "2"),
              frame({
                  "|01/03/2024|02/03/2024|    1|Uno                           |     3|      2,50|",
                  "|01/03/2024|02/03/2024|    1|Due                           |     3|      2,50|",
                  "|01/03/2024|03/03/2024|    2|Cinque                        |     3|      5,00|",
                  "|          |          |     |                              |      |     10,00|",
              }));
}

// Accented rooms sort with their base letter, so "All rooms" keeps them, in
// the SQL of the live guests and in the find criteria of the archive.
TEST_F(SuPartenze, AllRoomsKeepRoomsStartingWithAccentedLetters) {
    guest("Scheda_Cliente.mdb", 1, "Z9", "Zeta", "20240301", "20240302", 3);
    guest("Scheda_Cliente.mdb", 2, "É1", "E accentata", "20240301", "20240302", 3);
    guest("Scheda_Cliente.mdb", 3, "A2", "A", "20240301", "20240302", 3);
    guest("Scheda_Cliente.mdb", 4, "à1", "a accentata", "20240301", "20240302", 3);
    guest("SchedaStoricoClienti.mdb", 5, "É1", "Storico E", "20240301", "20240302", 3);
    guest("SchedaStoricoClienti.mdb", 6, "à1", "Storico a", "20240301", "20240302", 3);
    std::string row = "|01/03/2024|02/03/2024|    1|%-30s|     3|      2,50|";
    auto line = [&](const char* name) {
        char buf[100];
        std::snprintf(buf, sizeof buf, row.c_str(), name);
        return std::string(buf);
    };
    EXPECT_EQ(
        run("01/03/2024", "31/03/2024"),
        frame({line("a accentata"), line("A"), line("E accentata"), line("Zeta"), line("Storico E"),
               line("Storico a"),
               "|          |          |     |                              |      |     15,00|"}));
    EXPECT_EQ(
        run("01/03/2024", "31/03/2024", "B", "F"),
        frame({line("E accentata"), line("Storico E"),
               "|          |          |     |                              |      |      5,00|"}));
}

TEST_F(SuPartenze, PeriodBoundsAreIncludedAndEmptyPeriodGivesTotalOnly) {
    guest("Scheda_Cliente.mdb", 1, "101", "Primo", "20240228", "20240301", 3);
    guest("Scheda_Cliente.mdb", 2, "102", "Ultimo", "20240330", "20240331", 3);
    EXPECT_EQ(run("01/03/2024", "31/03/2024"),
              frame({
                  "|28/02/2024|01/03/2024|    2|Primo                         |     3|      5,00|",
                  "|30/03/2024|31/03/2024|    1|Ultimo                        |     3|      2,50|",
                  "|          |          |     |                              |      |      7,50|",
              }));
    EXPECT_EQ(
        run("01/04/2024", "30/04/2024"),
        frame({"|          |          |     |                              |      |      0,00|"}));
}

TEST_F(SuPartenze, AmountWiderThanItsColumnIsPrintedWhole) {
    insertRow("VociFattura.mdb", "VociFattura",
              {{"NumeroHotel", 1},
               {"Codice", 7},
               {"Descrizione", "Cara"},
               {"Reparto", "IDS"},
               {"Importo", 99999.99}});
    guest("Scheda_Cliente.mdb", 1, "101", "Lungo", "20230101", "20240101", 7);
    EXPECT_EQ(run("01/01/2024", "31/01/2024"),
              frame({
                  "|01/01/2023|01/01/2024|  365|Lungo                         |     7|36499996,35|",
                  "|          |          |     |                              |      |36499996,35|",
              }));
}

TEST_F(SuPartenze, RoomBoundsWithQuotesAreSafe) {
    guest("Scheda_Cliente.mdb", 1, "1'0", "Apice", "20240301", "20240302", 3);
    EXPECT_EQ(run("01/03/2024", "31/03/2024", "1'0", "1'0"),
              frame({
                  "|01/03/2024|02/03/2024|    1|Apice                         |     3|      2,50|",
                  "|          |          |     |                              |      |      2,50|",
              }));
}

TEST_F(SuPartenze, ArchiveFollowsTheHotelsArchiveLocation) {
    // With "&" the archive is the one in DirKV, not the data folder's.
    test::runSql("AnagraficaHotels.mdb", "UPDATE AnagraficaHotels SET CodiceAssistenza = 'A&B'");
    guest("SchedaStoricoClienti.mdb", 1, "101", "Locale", "20240301", "20240302", 3);
    std::filesystem::create_directory("kv");
    guest("kv/SchedaStoricoClienti.mdb", 2, "102", "Remoto", "20240301", "20240303", 3);
    test::ScopedEnv kv("DirKV", dir.path() + "/kv");

    EXPECT_EQ(run("01/03/2024", "31/03/2024"),
              frame({
                  "|01/03/2024|03/03/2024|    2|Remoto                        |     3|      5,00|",
                  "|          |          |     |                              |      |      5,00|",
              }));
}

TEST_F(SuPartenze, BadDateIsReportedWithoutPrintMenu) {
    ReportRequest r;
    r.dal = "31/02/2024";
    r.al = "31/03/2024";
    EXPECT_THROW(StampaSuPartenze(r, io), ReportError);
    EXPECT_EQ(io.printMenus, 0);
}

TEST(ImportoVoce, UnitPriceOfTheHotelsItemOrZero) {
    test::TempDataFolder dir;
    insertRow(
        "VociFattura.mdb", "VociFattura",
        {{"NumeroHotel", 2}, {"Codice", 3}, {"Descrizione", "Altro hotel"}, {"Importo", 9.0}});
    insertRow("VociFattura.mdb", "VociFattura",
              {{"NumeroHotel", 1}, {"Codice", 3}, {"Descrizione", "Adulti"}, {"Importo", 2.5}});
    EXPECT_EQ(ImportoVoce(3), Currency::fromUnits(25000));
    EXPECT_EQ(ImportoVoce(4), Currency());
}

}  // namespace
}  // namespace corvex
