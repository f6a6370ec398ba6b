// Every report gives the same files on the jet-hotel and jet-aged fixtures'
// SQLite folders and on their genuine Jet4 twins. One row per report run: add rows to kCases.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "reports/reports.h"
#include "reports/tax/scripted_io.h"
#include "support/data_folder.h"

namespace {

namespace fs = std::filesystem;
using corvex::test::FakeIo;

struct TwinCase {
    const char* name;  // test name suffix: letters, digits, '_'
    corvex::ReportResult (*run)(const corvex::ReportRequest&, corvex::Interaction&);
    const char* dal;
    const char* al;
    const char* primaCamera = "";
    const char* ultimaCamera = "ZZZZZZ";
    std::vector<std::string> answers = {};     // questions the report asks, in order
    std::vector<std::string> files = {"fd0"};  // files compared, the report file first
};

const std::vector<TwinCase> kCases = {
    {"Summary_May",
     &corvex::StampaRiepilogoImposta,
     "01/05/2024",
     "31/05/2024",
     "",
     "ZZZZZZ",
     {},
     {"fd0", "CorvexLog.txt"}},
    {"Summary_Summer_Rooms1to5",
     &corvex::StampaRiepilogoImposta,
     "25/06/2024",
     "10/09/2024",
     "1",
     "5",
     {},
     {"fd0", "CorvexLog.txt"}},
    {"Summary_Rooms9to10",
     &corvex::StampaRiepilogoImposta,
     "01/08/2024",
     "05/08/2024",
     "9",
     "10",
     {},
     {"fd0", "CorvexLog.txt"}},
    {"Arrivals_Year", &corvex::StampaArriviPresenze, "01/01/2024", "31/12/2024"},
    {"Arrivals_August_Rooms10to20", &corvex::StampaArriviPresenze, "01/08/2024", "31/08/2024", "10",
     "20"},
    {"Arrivals_October_Rooms1to9", &corvex::StampaArriviPresenze, "28/09/2024", "15/10/2024", "1",
     "9"},
    {"GuestsPresent_June",
     &corvex::StampaOspitiPresenti,
     "01/06/2024",
     "30/06/2024",
     "",
     "",
     {"7", "14"}},
    {"GuestsPresent_Autumn",
     &corvex::StampaOspitiPresenti,
     "15/09/2024",
     "15/12/2024",
     "",
     "",
     {"3", "0"}},
    {"DailyCheck_June", &corvex::VerificaImposteAssegnate, "15/06/2024", "15/06/2024"},
    {"DailyCheck_August_Rooms1to2", &corvex::VerificaImposteAssegnate, "10/08/2024", "10/08/2024",
     "1", "2"},
    {"DailyCheck_December_Rooms2on", &corvex::VerificaImposteAssegnate, "01/12/2024", "01/12/2024",
     "2"},
    {"Accrued_June", &corvex::StampaImpostaMaturata, "15/06/2024", "15/06/2024"},
    {"Accrued_August", &corvex::StampaImpostaMaturata, "14/08/2024", "14/08/2024"},
    {"Accrued_December", &corvex::StampaImpostaMaturata, "01/12/2024", "01/12/2024"},
    {"Departures_June", &corvex::StampaSuPartenze, "01/06/2024", "30/06/2024"},
    {"Departures_Year_Rooms2to3", &corvex::StampaSuPartenze, "01/04/2024", "31/12/2024", "2", "3"},
    {"Departures_September_Rooms1to19", &corvex::StampaSuPartenze, "01/09/2024", "15/09/2024", "1",
     "19"},
};

// Runs one case in folder and returns the bytes of its files.
std::vector<std::string> runIn(const fs::path& folder, const TwinCase& c) {
    const fs::path back = fs::current_path();
    fs::current_path(folder);
    std::vector<std::string> out;
    try {
        corvex::ReportRequest r;
        r.dal = c.dal;
        r.al = c.al;
        r.primaCamera = c.primaCamera;
        r.ultimaCamera = c.ultimaCamera;
        std::vector<std::optional<std::string>> answers(c.answers.begin(), c.answers.end());
        FakeIo io(answers);
        corvex::ReportResult result = c.run(r, io);
        for (const std::string& f : c.files) {
            std::ifstream in(f, std::ios::binary);
            out.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        for (const std::string& s : result.skipped) out.push_back("skipped: " + s);
    } catch (...) {
        fs::current_path(back);
        throw;
    }
    fs::current_path(back);
    return out;
}

class JetTwin : public ::testing::TestWithParam<TwinCase> {};

TEST_P(JetTwin, SameReportFilesOnSqliteAndJet) {
    if (!fs::exists(fs::path(CORVEX_BINARY_DIR) / "corvex-jetimport")) {
        GTEST_SKIP() << "the Jet importer (corvex-jetimport) is not built";
    }
    // The environment may point elsewhere (a worktree beside the shared folder).
    const char* shared = std::getenv("CORVEX_SHARED_DIR");
    const fs::path fixtures = fs::path(shared && *shared ? shared : CORVEX_SHARED_DIR) / "fixtures";
    // jet-aged: the same hotel after deletions and rows grown out of their
    // pages (moved behind forwarding pointers).
    for (const char* twin : {"jet-hotel", "jet-aged"}) {
        SCOPED_TRACE(twin);
        const fs::path fixture = fixtures / twin;
        if (!fs::exists(fixture / "jet") || !fs::exists(fixture / "sqlite")) {
            GTEST_SKIP() << twin << " fixture not found under " << fixture;
        }
        corvex::test::TempDataFolder dir;
        std::vector<std::string> results[2];
        int i = 0;
        for (const char* kind : {"sqlite", "jet"}) {
            const fs::path copy = fs::path(dir.path()) / kind;
            fs::create_directories(copy);
            for (const auto& e : fs::directory_iterator(fixture / kind)) {
                fs::copy_file(e.path(), copy / e.path().filename());
                fs::permissions(copy / e.path().filename(), fs::perms::owner_write,
                                fs::perm_options::add);
            }
            results[i++] = runIn(copy, GetParam());
        }
        ASSERT_EQ(results[0].size(), results[1].size());
        for (std::size_t k = 0; k < results[0].size(); ++k) {
            EXPECT_EQ(results[0][k], results[1][k])
                << (k < GetParam().files.size() ? GetParam().files[k] : "skipped statements");
        }
        // The comparison means something only when the report found data.
        EXPECT_GT(results[0][0].size(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Reports, JetTwin, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
