#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/text.h"
#include "reports/reports.h"
#include "reports/tax/register_data.h"
#include "reports/tax/scripted_io.h"
#include "support/data_folder.h"

namespace {

using namespace corvex::test;

const std::string kRule(63, '-');
const std::string kNotti =
    "Inserire il numero di notti massimo a cui applicare la tassa di soggiorno";
const std::string kAnni =
    "Inserire l'età minima degli ospiti a cui applicare la tassa di soggiorno";

std::vector<std::string> testata(const std::string& dal, const std::string& al) {
    return {"",
            "DETTAGLIO OSPITI PRESENTI DAL " + dal + " AL " + al,
            "",
            kRule,
            "Nome Cliente                   Arrivo     Partenza   Notti Anni",
            kRule};
}

bool anyHas(const std::vector<std::string>& lines, const std::string& part) {
    for (const auto& l : lines) {
        if (l.find(part) != std::string::npos) return true;
    }
    return false;
}

// Period 01/02 to 03/02/2024, at most 7 nights, from 14 years.
void periodoFebbraio() {
    cartellaBase();
    // The archived guest goes in first: he is still listed after the live ones.
    ospite("SchedaStoricoClienti.mdb", {.id = 5,
                                        .arrivo = "20240130",
                                        .partito = "S",
                                        .partenza = "20240202",
                                        .partenzaReale = "20240202",
                                        .nome = "Gialli Paolo",
                                        .nascita = "19901231"});
    ospite("Scheda_Cliente.mdb", {.id = 10,
                                  .arrivo = "20240128",
                                  .partenza = "20240205",
                                  .nome = "Rossi Mario",
                                  .nascita = "19800510"});
    // Arrives on the end date; 14 by calendar years though born in September.
    ospite("Scheda_Cliente.mdb", {.id = 11,
                                  .arrivo = "20240203",
                                  .partenza = "20240206",
                                  .nome = "Bianchi Luca",
                                  .nascita = "20100915"});
    ospite("Scheda_Cliente.mdb", {.id = 12,
                                  .arrivo = "20240201",
                                  .partenza = "20240202",
                                  .nome = "Verdi Anna",
                                  .nascita = "20110101"});
    ospite("Scheda_Cliente.mdb", {.id = 13,
                                  .arrivo = "20240201",
                                  .partenza = "20240203",
                                  .lingua = "I*",
                                  .nome = "Marchi Ugo"});
    // No birth date: listed, empty age.
    ospite("Scheda_Cliente.mdb", {.id = 14,
                                  .arrivo = "20240202",
                                  .partito = "S",
                                  .partenza = "20240210",
                                  .partenzaReale = "20240203",
                                  .nome = "Neri Carla",
                                  .nascita = ""});
    // Departed: the real departure governs; the name is cut to 30.
    ospite("Scheda_Cliente.mdb", {.id = 15,
                                  .arrivo = "20240201",
                                  .partito = "S",
                                  .partenza = "20240215",
                                  .partenzaReale = "20240202",
                                  .nome = "Ferrari Giovanni Battista Maria",
                                  .nascita = "19751231"});
    // Left on the start date: not present in the period.
    ospite("Scheda_Cliente.mdb", {.id = 16,
                                  .arrivo = "20240125",
                                  .partito = "S",
                                  .partenza = "20240201",
                                  .partenzaReale = "20240201",
                                  .nome = "Partito Ieri"});
    ospite("Scheda_Cliente.mdb", {.id = 17,
                                  .arrivo = "20240201",
                                  .partenza = "20240203",
                                  .nome = "^Strano",
                                  .nascita = "20000101"});
}

TEST(StampaOspitiPresenti, ListsLiveThenArchivedGuestsWithNightsAndAges) {
    TempDataFolder dir;
    periodoFebbraio();
    FakeIo io({"7", "14"});
    corvex::ReportResult result =
        corvex::StampaOspitiPresenti(periodo("01/02/2024", "03/02/2024"), io);
    EXPECT_EQ(dir.readFile("fd0"),
              reportBytes(testata("01/02/2024", "03/02/2024") +
                          std::vector<std::string>{
                              "Rossi Mario                    01/02/2024 03/02/2024     2   44",
                              "Bianchi Luca                   03/02/2024 03/02/2024     0   14",
                              "Neri Carla                     02/02/2024 03/02/2024     1   ",
                              "Ferrari Giovanni Battista Mari 01/02/2024 02/02/2024     1   49",
                              "^Strano                        01/02/2024 03/02/2024     2   24",
                              "Gialli Paolo                   01/02/2024 02/02/2024     1   34",
                              kRule, "                                                         7",
                              "Numero ospiti = 6"}));
    EXPECT_TRUE(result.skipped.empty());
    EXPECT_EQ(io.printMenus, 1);
}

TEST(StampaOspitiPresenti, NightsAreCappedAtTheMaximum) {
    TempDataFolder dir;
    cartellaBase();
    ospite("Scheda_Cliente.mdb",
           {.id = 1, .arrivo = "20240105", .partenza = "20240117", .nome = "Lungo Soggiorno"});
    ospite("Scheda_Cliente.mdb",
           {.id = 2, .arrivo = "20231220", .partenza = "20240310", .nome = "Tutto il Mese"});
    FakeIo io({"7", "0"});
    corvex::StampaOspitiPresenti(periodo("01/01/2024", "31/01/2024"), io);
    EXPECT_EQ(dir.readFile("fd0"),
              reportBytes(testata("01/01/2024", "31/01/2024") +
                          std::vector<std::string>{
                              "Lungo Soggiorno                05/01/2024 17/01/2024     7   44",
                              "Tutto il Mese                  01/01/2024 31/01/2024     7   44",
                              kRule, "                                                        14",
                              "Numero ospiti = 2"}));
}

TEST(StampaOspitiPresenti, QuestionsAreAskedAgainUntilAcceptable) {
    TempDataFolder dir;
    cartellaBase();
    ospite("Scheda_Cliente.mdb",
           {.id = 1, .arrivo = "20240101", .partenza = "20240106", .nome = "Adulto"});
    ospite("Scheda_Cliente.mdb", {.id = 2,
                                  .arrivo = "20240101",
                                  .partenza = "20240106",
                                  .nome = "Neonato",
                                  .nascita = "20230101"});
    // Nights: 0 and a non-number are refused. Age: -1 is refused, and a
    // non-number then leaves -1, refused again.
    FakeIo io({"0", "abc", " 3 ", "-1", "x", "2"});
    corvex::StampaOspitiPresenti(periodo("01/01/2024", "10/01/2024"), io);

    ASSERT_EQ(io.asked.size(), 6u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(io.asked[i].prompt, kNotti);
        EXPECT_EQ(io.asked[i].title, "Notti");
        EXPECT_EQ(io.asked[i].key, "max-nights");
    }
    for (int i = 3; i < 6; ++i) {
        EXPECT_EQ(io.asked[i].prompt, kAnni);
        EXPECT_EQ(io.asked[i].title, "Anni");
        EXPECT_EQ(io.asked[i].key, "min-age");
    }
    EXPECT_EQ(dir.readFile("fd0"),
              reportBytes(testata("01/01/2024", "10/01/2024") +
                          std::vector<std::string>{
                              "Adulto                         01/01/2024 06/01/2024     3   44",
                              kRule, "                                                         3",
                              "Numero ospiti = 1"}));
}

TEST(StampaOspitiPresenti, AgeAnswerThatIsNoNumberMeansZero) {
    TempDataFolder dir;
    cartellaBase();
    ospite("Scheda_Cliente.mdb", {.id = 2,
                                  .arrivo = "20240101",
                                  .partenza = "20240102",
                                  .nome = "Neonato",
                                  .nascita = "20240101"});
    FakeIo io({"5", ""});
    corvex::StampaOspitiPresenti(periodo("01/01/2024", "10/01/2024"), io);
    EXPECT_EQ(io.asked.size(), 2u);
    EXPECT_NE(dir.readFile("fd0").find(
                  "Neonato                        01/01/2024 02/01/2024     1   0\r\n"),
              std::string::npos);
}

TEST(StampaOspitiPresenti, CancelledQuestionAbandonsTheReport) {
    TempDataFolder dir;
    cartellaBase();
    FakeIo io({"7", std::nullopt});
    EXPECT_THROW(corvex::StampaOspitiPresenti(periodo("01/01/2024", "10/01/2024"), io),
                 corvex::ReportCancelled);
    EXPECT_EQ(io.printMenus, 0);
    EXPECT_FALSE(dir.exists("fd0"));
}

TEST(StampaOspitiPresenti, FailuresAreSkippedListedAndTheReportCompletes) {
    TempDataFolder dir;
    hotel("R");
    // No archive files at all, and a guest whose arrival is no date.
    ospite("Scheda_Cliente.mdb",
           {.id = 1, .arrivo = "20240230", .partenza = "20240310", .nome = "Data Sbagliata"});
    ospite("Scheda_Cliente.mdb",
           {.id = 2, .arrivo = "20240228", .partenza = "20240302", .nome = "Data Giusta"});
    FakeIo io({"30", "0"});
    corvex::ReportResult result =
        corvex::StampaOspitiPresenti(periodo("01/02/2024", "05/03/2024"), io);

    EXPECT_EQ(dir.readFile("fd0"),
              reportBytes(testata("01/02/2024", "05/03/2024") +
                          std::vector<std::string>{
                              "Data Giusta                    28/02/2024 02/03/2024     3   44",
                              kRule, "                                                         3",
                              "Numero ospiti = 1"}));
    ASSERT_EQ(result.skipped.size(), 2u);
    EXPECT_TRUE(anyHas(result.skipped, "Data Sbagliata")) << result.skipped[0];
    EXPECT_TRUE(anyHas(result.skipped, "SchedaStoricoClienti.mdb")) << result.skipped[1];
    EXPECT_EQ(io.printMenus, 1);
}

TEST(StampaOspitiPresenti, MissingRegisterStillGivesAReport) {
    TempDataFolder dir;
    hotel("R");
    createSuiteTable("SchedaStoricoClienti.mdb", "Scheda_Cliente");
    FakeIo io({"7", "0"});
    corvex::ReportResult result =
        corvex::StampaOspitiPresenti(periodo("01/02/2024", "03/02/2024"), io);
    EXPECT_EQ(dir.readFile("fd0"),
              reportBytes(testata("01/02/2024", "03/02/2024") +
                          std::vector<std::string>{
                              kRule, "                                                         0",
                              "Numero ospiti = 0"}));
    ASSERT_EQ(result.skipped.size(), 1u);
    EXPECT_TRUE(anyHas(result.skipped, "Scheda_Cliente.mdb")) << result.skipped[0];
    EXPECT_EQ(io.printMenus, 1);
}

TEST(StampaOspitiPresenti, ArchiveInDirKvWithAmpersand) {
    TempDataFolder dir;
    cartellaBase("&");
    ospite("Scheda_Cliente.mdb",
           {.id = 1, .arrivo = "20240201", .partenza = "20240202", .nome = "Vivo"});
    std::filesystem::create_directories("kv");
    ospite("kv/SchedaStoricoClienti.mdb", {.id = 2,
                                           .arrivo = "20240201",
                                           .partito = "S",
                                           .partenza = "20240203",
                                           .partenzaReale = "20240203",
                                           .nome = "Archiviato"});
    ospite("SchedaStoricoClienti.mdb", {.id = 3,
                                        .arrivo = "20240201",
                                        .partito = "S",
                                        .partenza = "20240203",
                                        .partenzaReale = "20240203",
                                        .nome = "Cartella Dati"});
    {
        DirKv env("kv");
        FakeIo io({"7", "0"});
        corvex::ReportResult result =
            corvex::StampaOspitiPresenti(periodo("01/02/2024", "03/02/2024"), io);
        EXPECT_EQ(
            dir.readFile("fd0"),
            reportBytes(testata("01/02/2024", "03/02/2024") +
                        std::vector<std::string>{
                            "Vivo                           01/02/2024 02/02/2024     1   44",
                            "Archiviato                     01/02/2024 03/02/2024     2   44",
                            kRule, "                                                         3",
                            "Numero ospiti = 2"}));
        EXPECT_TRUE(result.skipped.empty());
    }
    {
        // DirKV unset: the archive pass is skipped and says where it looked.
        FakeIo io({"7", "0"});
        corvex::ReportResult result =
            corvex::StampaOspitiPresenti(periodo("01/02/2024", "03/02/2024"), io);
        EXPECT_EQ(
            dir.readFile("fd0"),
            reportBytes(testata("01/02/2024", "03/02/2024") +
                        std::vector<std::string>{
                            "Vivo                           01/02/2024 02/02/2024     1   44",
                            kRule, "                                                         1",
                            "Numero ospiti = 1"}));
        ASSERT_EQ(result.skipped.size(), 1u);
        EXPECT_TRUE(anyHas(result.skipped, "\"/SchedaStoricoClienti.mdb\"")) << result.skipped[0];
        EXPECT_EQ(io.printMenus, 1);
    }
}

TEST(StampaOspitiPresenti, InvalidPeriodDateIsAnErrorBeforeAnyQuestion) {
    TempDataFolder dir;
    cartellaBase();
    FakeIo io;
    EXPECT_THROW(corvex::StampaOspitiPresenti(periodo("31/04/2024", "03/05/2024"), io),
                 corvex::ReportError);
    EXPECT_TRUE(io.asked.empty());
}

}  // namespace
