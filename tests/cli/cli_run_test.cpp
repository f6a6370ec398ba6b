#include "cli/cli.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "cli_test_support.h"
#include "data/engine/error.h"
#include "reports/interaction.h"

namespace corvex::cli {
namespace {

// Fake report routines, one per outcome.
ReportRequest lastRequest;

ReportResult writesReport(const ReportRequest& r, Interaction& io) {
    lastRequest = r;
    std::ofstream f("fd7", std::ios::binary);
    // A bold mark, code page 437 box characters and an accented letter.
    f << "\xE7TOTALE\xE7 \xB3 Et\xE0\r\n\xC4\xC4\xC4\r\n";
    f.close();
    io.showPrintMenu();
    return {};
}
ReportResult notBuilt(const ReportRequest&, Interaction&) {
    throw ReportNotBuilt("Stampa is not built yet");
}
ReportResult dbError(const ReportRequest&, Interaction&) {
    throw db::DbError("Scheda_Cliente.mdb", "SELECT *", "no such table: Scheda_Cliente");
}
ReportResult reportError(const ReportRequest&, Interaction&) {
    throw ReportError("CorrSetup.txt: la riga 3 non è un codice");
}
ReportResult fileError(const ReportRequest&, Interaction&) {
    throw std::runtime_error("fd7: cannot write (No space left on device)");
}
ReportResult asksNights(const ReportRequest&, Interaction& io) {
    io.ask(question::kMaxNights, "Inserire il numero di notti massimo", "Notti", "");
    return {};
}
ReportResult cancelled(const ReportRequest&, Interaction&) {
    throw ReportCancelled();
}
ReportResult skips(const ReportRequest& r, Interaction& io) {
    writesReport(r, io);
    return ReportResult{{"SchedaStoricoClienti.mdb: no such table", "record 12: bad date à"}};
}

const std::vector<ReportEntry>& fakeCatalog() {
    static const std::vector<ReportEntry> entries = {
        {.name = "writes", .routine = "Writes", .run = &writesReport, .roomRange = true},
        {.name = "not-built", .routine = "NotBuilt", .run = &notBuilt},
        {.name = "db-error", .routine = "DbError", .run = &dbError},
        {.name = "report-error", .routine = "ReportError", .run = &reportError},
        {.name = "file-error", .routine = "FileError", .run = &fileError},
        {.name = "asks-nights",
         .routine = "AsksNights",
         .run = &asksNights,
         .continueOnError = true},
        {.name = "cancelled", .routine = "Cancelled", .run = &cancelled},
        {.name = "skips",
         .routine = "Skips",
         .run = &skips,
         .roomRange = true,
         .continueOnError = true},
    };
    return entries;
}

class RunReportTest : public testing::DataFolderTest {
  protected:
    int runFake(const std::vector<std::string>& args) {
        out_.str("");
        err_.str("");
        return runReport(parseReportArgs(args, fakeCatalog()), out_, err_);
    }
    std::ostringstream out_, err_;
};

TEST_F(RunReportTest, SuccessWritesNothingOnStdoutUnlessAsked) {
    EXPECT_EQ(runFake({"writes", "--from", "010224", "--to", "290224"}), Ok);
    EXPECT_EQ(out_.str(), "");
    EXPECT_EQ(err_.str(), "");
    EXPECT_EQ(lastRequest.dal, "01/02/2024");
    EXPECT_EQ(lastRequest.al, "29/02/2024");
}

TEST_F(RunReportTest, PrintStdoutShowsTheReportAsTheScreenDoesInUtf8) {
    EXPECT_EQ(runFake({"writes", "-"}), Ok);
    EXPECT_EQ(out_.str(), "TOTALE | Et\xC3\xA0\n---\n");
}

TEST_F(RunReportTest, FailuresMapToExitCodes) {
    EXPECT_EQ(runFake({"not-built"}), BadArguments);
    EXPECT_NE(err_.str().find("non è ancora disponibile"), std::string::npos) << err_.str();

    EXPECT_EQ(runFake({"db-error"}), DataError);
    EXPECT_NE(err_.str().find("Scheda_Cliente.mdb"), std::string::npos) << err_.str();

    EXPECT_EQ(runFake({"report-error"}), DataError);
    // What a person reads: the message's accented letters as they were written.
    EXPECT_EQ(err_.str(), "corvex: report-error: CorrSetup.txt: la riga 3 non è un codice\n");

    EXPECT_EQ(runFake({"file-error", "-"}), DataError);
    EXPECT_NE(err_.str().find("No space left"), std::string::npos) << err_.str();
    EXPECT_EQ(out_.str(), "");

    EXPECT_EQ(runFake({"asks-nights"}), BadArguments);
    EXPECT_NE(err_.str().find("--max-nights"), std::string::npos) << err_.str();

    EXPECT_EQ(runFake({"cancelled"}), DataError);
}

TEST_F(RunReportTest, SkippedItemsGiveExitThreeAndAreListed) {
    EXPECT_EQ(runFake({"skips", "--print-stdout"}), CompletedWithSkips);
    EXPECT_NE(err_.str().find("2 elementi saltati"), std::string::npos) << err_.str();
    EXPECT_NE(err_.str().find("SchedaStoricoClienti.mdb: no such table"), std::string::npos);
    EXPECT_NE(err_.str().find("bad date \xC3\xA0"), std::string::npos);
    // The report completed: it is still printed.
    EXPECT_NE(out_.str().find("TOTALE"), std::string::npos);
}

class RunTest : public testing::DataFolderTest {
  protected:
    int runCli(const std::vector<std::string>& args) {
        out_.str("");
        err_.str("");
        return run(args, out_, err_);
    }
    std::ostringstream out_, err_;
};

TEST_F(RunTest, HelpVersionAndUnknownCommands) {
    EXPECT_EQ(runCli({}), Ok);
    EXPECT_NE(out_.str().find("corvex report NAME"), std::string::npos);
    EXPECT_EQ(runCli({"--help"}), Ok);
    for (const auto& e : reportCatalog()) EXPECT_NE(out_.str().find(e.name), std::string::npos);
    EXPECT_NE(out_.str().find("--max-nights"), std::string::npos);
    EXPECT_EQ(runCli({"report", "summary", "--from", "010124", "--help"}), Ok);
    EXPECT_NE(out_.str().find("--first-room"), std::string::npos);
    EXPECT_EQ(runCli({"--version"}), Ok);
    EXPECT_EQ(out_.str(), std::string("corvex ") + CORVEX_VERSION + "\n");
    EXPECT_EQ(runCli({"frobnicate"}), BadArguments);
    EXPECT_NE(err_.str().find("comando sconosciuto"), std::string::npos);
}

TEST_F(RunTest, BadReportArgumentsExitTwoBeforeAnythingRuns) {
    EXPECT_EQ(runCli({"report", "nope"}), BadArguments);
    EXPECT_NE(err_.str().find("report sconosciuto"), std::string::npos);
    EXPECT_EQ(runCli({"report", "summary", "--from", "31022013"}), BadArguments);
    EXPECT_NE(err_.str().find("--from"), std::string::npos);
    EXPECT_EQ(runCli({"report", "guests-present", "--min-age", "0"}), BadArguments);
    EXPECT_NE(err_.str().find("--max-nights"), std::string::npos);
    EXPECT_EQ(runCli({"report", "fiscal-detail", "--counter", "uno"}), BadArguments);
    // Nothing was created in the data folder.
    EXPECT_TRUE(std::filesystem::is_empty(dir()));
}

TEST_F(RunTest, InvalidClockExitsTwoAndAnUnusableCamereImpOne) {
    setenv("CORVEX_NOW", "31/12/2025 24:00", 1);
    EXPECT_EQ(runCli({"report", "summary"}), BadArguments);
    EXPECT_NE(err_.str().find("CORVEX_NOW"), std::string::npos) << err_.str();
    unsetenv("CORVEX_NOW");
    writeFile("CamereImp.txt", "205\r\n101\r\n");
    EXPECT_EQ(runCli({"report", "summary"}), DataError);
    EXPECT_NE(err_.str().find("CamereImp.txt"), std::string::npos) << err_.str();
}

TEST_F(RunTest, DemoArgumentsAreChecked) {
    EXPECT_EQ(runCli({"demo"}), BadArguments);
    EXPECT_EQ(runCli({"demo", "d", "--size", "huge"}), BadArguments);
    EXPECT_EQ(runCli({"demo", "d", "--seed", "-4"}), BadArguments);
    EXPECT_EQ(runCli({"demo", "d", "--seed"}), BadArguments);
    EXPECT_EQ(runCli({"demo", "d", "e"}), BadArguments);
    EXPECT_EQ(runCli({"demo", "d", "--colour", "red"}), BadArguments);
}

TEST_F(RunTest, DemoWritesAFolderOnceAndNeverOverwritesIt) {
    EXPECT_EQ(runCli({"demo", "hotel-data", "--size=small", "--seed", "3"}), Ok) << err_.str();
    EXPECT_NE(out_.str().find("hotel-data"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists("hotel-data/Scheda_Cliente.mdb"));
    EXPECT_EQ(runCli({"demo", "hotel-data", "--size", "small"}), DataError);
    EXPECT_NE(err_.str().find("demo:"), std::string::npos);
}

// The executable itself: main() hands its arguments and exit code through.
class ExecutableTest : public testing::DataFolderTest {
  protected:
    // Runs corvex in the folder dir (made when missing) with the engine's
    // cache outside it; stdout and stderr land in out.txt and err.txt here.
    static int exitCode(const std::string& args, const std::string& dir = "data") {
        std::filesystem::create_directories(dir);
        const auto here = std::filesystem::current_path();
        const std::string cmd = "cd '" + dir + "' && CORVEX_CACHE='" + (here / "cache").string() +
                                "' '" + CORVEX_BINARY_DIR + "/corvex' " + args + " >'" +
                                (here / "out.txt").string() + "' 2>'" +
                                (here / "err.txt").string() + "' </dev/null";
        const int status = std::system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    static std::string slurp(const std::string& name) {
        std::ifstream f(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
};

TEST_F(ExecutableTest, ArgumentErrorsExitTwo) {
    EXPECT_EQ(exitCode("--version"), 0);
    EXPECT_EQ(exitCode("report nope"), 2);
    EXPECT_EQ(exitCode("report summary --from 31022013"), 2);
    EXPECT_EQ(exitCode("report guests-present --max-nights 7"), 2);
    EXPECT_NE(slurp("err.txt").find("--min-age"), std::string::npos);
}

TEST_F(ExecutableTest, MissingDatabasesExitOneOrThreeWhenTheReportRunsOnFailures) {
    EXPECT_EQ(exitCode("report summary --from 01/12/2025 --to 31/12/2025"), 1);
    EXPECT_NE(slurp("err.txt").find(".mdb"), std::string::npos) << slurp("err.txt");
    EXPECT_EQ(exitCode("report guests-present --max-nights 3 --min-age 0 -"), 3);
    EXPECT_NE(slurp("err.txt").find("saltat"), std::string::npos) << slurp("err.txt");
    EXPECT_NE(slurp("out.txt").find("DETTAGLIO OSPITI PRESENTI"), std::string::npos);
}

TEST_F(ExecutableTest, ReportOnTheDemoHotelPrintsOnlyWhenAsked) {
    ASSERT_EQ(exitCode("demo hotel --size small", "."), 0) << slurp("err.txt");
    setenv("CORVEX_NOW", "31/12/2025 12:00", 1);
    const std::string report = "report summary --from 011225 --to 311225";

    ASSERT_EQ(exitCode(report, "hotel"), 0) << slurp("err.txt");
    EXPECT_EQ(slurp("out.txt"), "");
    const std::string file = slurp("hotel/fd7");
    EXPECT_NE(file.find("RIEPILOGO IMPOSTA DI SOGGIORNO DAL 01/12/2025 AL 31/12/2025\r\n"),
              std::string::npos);

    ASSERT_EQ(exitCode(report + " --print-stdout", "hotel"), 0) << slurp("err.txt");
    const std::string out = slurp("out.txt");
    EXPECT_NE(out.find("RIEPILOGO IMPOSTA DI SOGGIORNO DAL 01/12/2025 AL 31/12/2025\n"),
              std::string::npos);
    EXPECT_EQ(out.find('\r'), std::string::npos);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), std::count(file.begin(), file.end(), '\n'));
}

}  // namespace
}  // namespace corvex::cli
