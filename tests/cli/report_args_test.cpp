#include "cli/report_args.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_test_support.h"

namespace corvex::cli {
namespace {

using Args = std::vector<std::string>;

class ReportArgsTest : public testing::DataFolderTest {
  protected:
    static std::string usageError(const Args& args) {
        try {
            parseReportArgs(args);
        } catch (const UsageError& e) {
            return e.what();
        }
        return "(accepted)";
    }
};

TEST(CompleteDateTest, CompletesAsTheDeskDoesOnEnter) {
    EXPECT_EQ(completeDate("010213", "from"), "01/02/2013");
    EXPECT_EQ(completeDate("010299", "from"), "01/02/1999");
    EXPECT_EQ(completeDate("310134", "from"), "31/01/2034");
    EXPECT_EQ(completeDate("310135", "from"), "31/01/1935");
    EXPECT_EQ(completeDate("01022013", "from"), "01/02/2013");
    EXPECT_EQ(completeDate(" 29/02/2012 ", "from"), "29/02/2012");
    // Every fourth year is a leap year here, 1900 included.
    EXPECT_EQ(completeDate("29/02/1900", "from"), "29/02/1900");
}

TEST(CompleteDateTest, RejectsWhatIsNotARealDateNamingTheOption) {
    for (const std::string bad :
         {"31/02/2013", "29/02/2013", "00/01/2024", "01/13/2024", "01/01/1899", "", " ", "2013",
          "0102201", "1a/02/2013", "01-02-2013", "01/02/20x3", "oggi"}) {
        try {
            completeDate(bad, "to");
            ADD_FAILURE() << "accepted \"" << bad << "\"";
        } catch (const UsageError& e) {
            EXPECT_NE(std::string(e.what()).find("--to"), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("\"" + bad + "\""), std::string::npos) << e.what();
        }
    }
}

TEST_F(ReportArgsTest, DefaultsAreTheDesksStartUpValues) {
    const ReportInvocation inv = parseReportArgs({"summary"});
    ASSERT_NE(inv.entry, nullptr);
    EXPECT_STREQ(inv.entry->name, "summary");
    EXPECT_EQ(inv.request.dal, "15/03/2024");
    EXPECT_EQ(inv.request.al, "15/03/2024");
    EXPECT_EQ(inv.request.primaCamera, "");
    EXPECT_EQ(inv.request.ultimaCamera, "ZZZZZZ");
    EXPECT_EQ(inv.request.contatore, 1);
    EXPECT_EQ(inv.request.tipoDocumento, " ");
    EXPECT_FALSE(inv.request.soloPrepagamenti);
    EXPECT_FALSE(inv.printStdout);
    EXPECT_TRUE(inv.notices.empty());
    EXPECT_TRUE(inv.answers.empty());  // every question gets its dialog's default
}

TEST_F(ReportArgsTest, PeriodAndRoomsAreCompletedAndTrimmed) {
    const ReportInvocation inv = parseReportArgs({"arrivals", "--from", "010224", "--to=29022024",
                                                  "--first-room", " 101 ", "--last-room=205  "});
    EXPECT_EQ(inv.request.dal, "01/02/2024");
    EXPECT_EQ(inv.request.al, "29/02/2024");
    EXPECT_EQ(inv.request.primaCamera, "101");
    EXPECT_EQ(inv.request.ultimaCamera, "205");
}

TEST_F(ReportArgsTest, ReversedPeriodIsPassedAsGiven) {
    const ReportInvocation inv =
        parseReportArgs({"departures", "--from", "10/03/2024", "--to", "01/03/2024"});
    EXPECT_EQ(inv.request.dal, "10/03/2024");
    EXPECT_EQ(inv.request.al, "01/03/2024");
}

TEST_F(ReportArgsTest, SingleDateReportsGetTheDateTwice) {
    const ReportInvocation accrued = parseReportArgs({"accrued", "--date", "050313"});
    EXPECT_EQ(accrued.request.dal, "05/03/2013");
    EXPECT_EQ(accrued.request.al, "05/03/2013");
    const ReportInvocation check = parseReportArgs({"daily-check"});
    EXPECT_EQ(check.request.dal, "15/03/2024");
    EXPECT_EQ(check.request.al, "15/03/2024");
}

TEST_F(ReportArgsTest, InvalidDatesUnknownNamesAndStrayWordsAreRejected) {
    EXPECT_NE(usageError({"summary", "--from", "31/02/2013"}).find("--from"), std::string::npos);
    EXPECT_NE(usageError({"accrued", "--date", "320113"}).find("--date"), std::string::npos);
    EXPECT_NE(usageError({"nope"}).find("report sconosciuto \"nope\""), std::string::npos);
    EXPECT_NE(usageError({}).find("manca il nome del report"), std::string::npos);
    EXPECT_NE(usageError({"--from", "010101"}).find("manca il nome del report"), std::string::npos);
    EXPECT_NE(usageError({"summary", "extra"}).find("argomento inatteso"), std::string::npos);
    EXPECT_NE(usageError({"summary", "--colour", "red"}).find("opzione sconosciuta --colour"),
              std::string::npos);
    EXPECT_NE(usageError({"summary", "--from"}).find("--from richiede un valore"),
              std::string::npos);
    EXPECT_NE(usageError({"summary", "--from", "010124", "--from", "020124"}).find("due volte"),
              std::string::npos);
}

TEST_F(ReportArgsTest, OptionsAReportDoesNotTakeAreRejected) {
    EXPECT_NE(usageError({"summary", "--counter", "2"}).find("non accetta --counter"),
              std::string::npos);
    EXPECT_NE(usageError({"summary", "--date", "010124"}).find("non accetta --date"),
              std::string::npos);
    EXPECT_NE(usageError({"accrued", "--from", "010124"}).find("non accetta --from"),
              std::string::npos);
    EXPECT_NE(usageError({"accrued", "--first-room", "1"}).find("non accetta --first-room"),
              std::string::npos);
    EXPECT_NE(usageError({"arrivals", "--max-nights", "7"}).find("non accetta --max-nights"),
              std::string::npos);
    EXPECT_NE(usageError({"fiscal-detail", "--doc-type", "R"}).find("non accetta --doc-type"),
              std::string::npos);
    EXPECT_NE(usageError({"cash-table", "--prepaid-only"}).find("non accetta --prepaid-only"),
              std::string::npos);
    EXPECT_NE(usageError({"cash-table", "--complete", "yes"}).find("non accetta --complete"),
              std::string::npos);
}

TEST_F(ReportArgsTest, GuestsPresentNeedsBothAnswers) {
    EXPECT_NE(usageError({"guests-present", "--min-age", "14"}).find("--max-nights"),
              std::string::npos);
    EXPECT_NE(usageError({"guests-present", "--max-nights", "7"}).find("--min-age"),
              std::string::npos);
    // The report asks again until nights >= 1 and age >= 0: such answers
    // could never end an unattended run.
    EXPECT_NE(
        usageError({"guests-present", "--max-nights", "0", "--min-age", "0"}).find("--max-nights"),
        std::string::npos);
    EXPECT_NE(
        usageError({"guests-present", "--max-nights", "7", "--min-age", "-1"}).find("--min-age"),
        std::string::npos);
    EXPECT_NE(
        usageError({"guests-present", "--max-nights", "sette", "--min-age", "0"}).find("\"sette\""),
        std::string::npos);

    const ReportInvocation inv =
        parseReportArgs({"guests-present", "--max-nights", " 07 ", "--min-age", "0"});
    EXPECT_EQ(inv.answers.at("max-nights"), "7");
    EXPECT_EQ(inv.answers.at("min-age"), "0");
}

TEST_F(ReportArgsTest, CounterMustBeAWholeNumber) {
    for (const std::string bad : {"x", "", "1.5", "1,0", "-1", "99999", "2x"}) {
        EXPECT_NE(usageError({"fiscal-detail", "--counter", bad}).find("--counter"),
                  std::string::npos)
            << bad;
    }
    const ReportInvocation all = parseReportArgs({"fiscal-detail", "--counter", "0"});
    EXPECT_EQ(all.request.contatore, 0);
    const ReportInvocation two = parseReportArgs({"cash-table", "--counter=2"});
    EXPECT_EQ(two.request.contatore, 2);
    // The takings register asks for its counter itself.
    const ReportInvocation reg = parseReportArgs({"takings-register", "--counter", "3"});
    EXPECT_EQ(reg.answers.at("counter"), "3");
}

TEST_F(ReportArgsTest, FlagsAndYesNoAnswers) {
    const ReportInvocation fiscal = parseReportArgs({"fiscal-detail", "--prepaid-only"});
    EXPECT_TRUE(fiscal.request.soloPrepagamenti);
    EXPECT_NE(usageError({"fiscal-detail", "--prepaid-only=yes"}).find("non accetta un valore"),
              std::string::npos);

    const ReportInvocation reg =
        parseReportArgs({"takings-register", "--complete", "YES", "--totals-only", "no"});
    EXPECT_EQ(reg.answers.at("complete"), "yes");
    EXPECT_EQ(reg.answers.at("totals-only"), "no");
    EXPECT_NE(usageError({"takings-register", "--complete", "maybe"}).find("--complete"),
              std::string::npos);
}

TEST_F(ReportArgsTest, DocumentTypeIsReceiptsInvoicesOrAll) {
    EXPECT_EQ(parseReportArgs({"cash-table", "--doc-type", "R"}).request.tipoDocumento, "R");
    EXPECT_EQ(parseReportArgs({"cash-table", "--doc-type", "f"}).request.tipoDocumento, "f");
    EXPECT_EQ(parseReportArgs({"cash-table", "--doc-type", " "}).request.tipoDocumento, " ");
    EXPECT_EQ(parseReportArgs({"cash-table", "--doc-type="}).request.tipoDocumento, " ");
    EXPECT_NE(usageError({"cash-table", "--doc-type", "R' OR 1=1"}).find("--doc-type"),
              std::string::npos);
}

TEST_F(ReportArgsTest, PrintStdoutHasTwoSpellings) {
    EXPECT_TRUE(parseReportArgs({"summary", "-"}).printStdout);
    EXPECT_TRUE(parseReportArgs({"summary", "--print-stdout"}).printStdout);
    EXPECT_NE(usageError({"summary", "-", "--print-stdout"}).find("due volte"), std::string::npos);
}

TEST_F(ReportArgsTest, RoomTextsBecomeCodePage1252) {
    const ReportInvocation inv = parseReportArgs({"summary", "--first-room", "Gi\xC3\xA0"});
    EXPECT_EQ(inv.request.primaCamera, "Gi\xE0");
}

TEST_F(ReportArgsTest, CamereImpOverridesTheRoomRangeOfEveryRoomReport) {
    writeFile("CamereImp.txt", "101\r\n205\r\n");
    for (const std::string name :
         {"arrivals", "summary", "departures", "daily-check", "fiscal-detail", "cash-table"}) {
        const ReportInvocation inv = parseReportArgs({name});
        EXPECT_EQ(inv.request.primaCamera, "101") << name;
        EXPECT_EQ(inv.request.ultimaCamera, "205") << name;
        EXPECT_TRUE(inv.notices.empty()) << name;
    }
    // Explicit options lose too, and the user is told.
    const ReportInvocation inv =
        parseReportArgs({"summary", "--first-room", "1", "--last-room", "9"});
    EXPECT_EQ(inv.request.primaCamera, "101");
    EXPECT_EQ(inv.request.ultimaCamera, "205");
    ASSERT_EQ(inv.notices.size(), 1u);
    EXPECT_NE(inv.notices[0].find("CamereImp.txt"), std::string::npos);
}

TEST_F(ReportArgsTest, UsageListsOnlyTheOptionsAReportTakes) {
    const std::string summary = reportOptionsUsage(*findReport("summary"));
    EXPECT_NE(summary.find("--from"), std::string::npos);
    EXPECT_NE(summary.find("--first-room"), std::string::npos);
    EXPECT_EQ(summary.find("--counter"), std::string::npos);
    EXPECT_EQ(summary.find("--date"), std::string::npos);
    const std::string guests = reportOptionsUsage(*findReport("guests-present"));
    EXPECT_NE(guests.find("--max-nights"), std::string::npos);
    EXPECT_EQ(guests.find("--first-room"), std::string::npos);
}

}  // namespace
}  // namespace corvex::cli
