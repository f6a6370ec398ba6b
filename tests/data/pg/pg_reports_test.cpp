// Reports through --db on a throw-away PostgreSQL server: the same bytes as on
// the synced folder, the server's text order and equality, and bad input.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "cli/cli.h"
#include "cli/sync_cmd.h"
#include "common/jet_text.h"
#include "common/text.h"
#include "data/engine/copy_cache.h"
#include "data/engine/database.h"
#include "data/pg/pg_connection.h"
#include "data/pg/pg_functions.h"
#include "data/pg/pg_reader.h"
#include "demo/demo.h"
#include "support/data_folder.h"
#include "support/pg_cluster.h"
#include "support/pg_test_database.h"
#include "support/scoped_env.h"

namespace corvex {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int code;
    std::string err, report;
};

std::string bytesOf(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class PgReports : public ::testing::Test {
  protected:
    void SetUp() override {
        test::PgCluster* cluster = test::PgCluster::shared();
        if (cluster == nullptr) GTEST_SKIP() << test::PgCluster::unavailable();
        url_ = test::databaseForThisTest(*cluster, "reports");
        folder_.emplace();
        empty_ = fs::path(folder_->path()) / ".." /
                 (fs::path(folder_->path()).filename().string() + "-srv");
        fs::create_directories(empty_);
    }
    void TearDown() override {
        std::error_code ec;
        if (!empty_.empty()) fs::remove_all(empty_, ec);
    }

    int sync(const std::string& property = "mare") {
        std::ostringstream out, err;
        const int code = cli::runSync({"--db", url_, "--property", property}, out, err);
        EXPECT_EQ(code, 0) << err.str();
        return code;
    }
    // One report in `dir`, its report file taken away afterwards.
    Outcome report(const fs::path& dir, std::vector<std::string> args) {
        const fs::path back = fs::current_path();
        fs::current_path(dir);
        args.insert(args.begin(), "report");
        std::ostringstream out, err;
        Outcome r{cli::run(args, out, err), err.str(), bytesOf("fd0")};
        fs::remove("fd0");
        fs::current_path(back);
        return r;
    }
    Outcome onServer(std::vector<std::string> args, const std::string& property = "mare") {
        args.insert(args.end(), {"--db", url_, "--property", property});
        return report(empty_, args);
    }
    // Every row's report gives the same exit code, messages and bytes both ways.
    void expectSameReports(const std::vector<std::vector<std::string>>& rows) {
        for (const auto& args : rows) {
            const Outcome folder = report(folder_->path(), args);
            const Outcome server = onServer(args);
            EXPECT_FALSE(folder.report.empty()) << args[0] << " " << folder.err;
            EXPECT_EQ(server.code, folder.code) << args[0] << " " << server.err;
            EXPECT_EQ(server.err, folder.err) << args[0];
            EXPECT_TRUE(server.report == folder.report) << args[0] << " differs";
        }
    }

    std::string url_;
    std::optional<test::TempDataFolder> folder_;
    fs::path empty_;
};

TEST_F(PgReports, DemoReportsGiveTheFolderBytes) {
    test::ScopedEnv now("CORVEX_NOW", "31/12/2025");
    demo::generate(".", {demo::Size::Small, 7});
    sync();
    expectSameReports({
        {"summary", "--from", "01/01/2025", "--to", "31/12/2025"},
        {"summary", "--from", "01/03/2025", "--to", "31/03/2025", "--first-room", "10",
         "--last-room", "25"},
        {"takings-register", "--from", "01/01/2025", "--to", "31/03/2025", "--complete", "yes"},
        {"takings-register", "--from", "01/06/2025", "--to", "30/06/2025", "--counter", "0"},
        {"cash-table", "--from", "01/02/2025", "--to", "28/02/2025", "--doc-type", "R"},
        {"fiscal-detail", "--from", "01/07/2025", "--to", "31/07/2025", "--prepaid-only"},
        {"accrued", "--date", "15/08/2025"},
        {"daily-check", "--date", "10/05/2025", "--first-room", "2", "--last-room", "9"},
        {"arrivals", "--from", "01/04/2025", "--to", "30/06/2025"},
        {"guests-present", "--from", "01/01/2025", "--to", "31/01/2025", "--max-nights", "7",
         "--min-age", "14"},
        {"departures", "--from", "01/08/2025", "--to", "31/08/2025", "--first-room", "3",
         "--last-room", "40"},
        {"return", "--from", "01/01/2025", "--to", "31/03/2025"},
        {"annual-declaration", "--year", "2025"},
        {"modello-21", "--year", "2025"},
        {"tax-ledger", "--from", "01/01/2025", "--to", "31/12/2025"},
        {"stays-export", "--from", "01/05/2025", "--to", "31/05/2025", "--max-nights", "7",
         "--min-age", "14", "--output", "-"},
    });
    // CamereImp.txt comes from the server too.
    folder_->writeFile("CamereImp.txt", "10\r\n25\r\n");
    sync();
    expectSameReports({{"summary", "--from", "01/02/2025", "--to", "28/02/2025"}});
    // Tables whose stays' spans the sync did not store (an older sync): each
    // run works them out itself, with the same figures.
    pg::Connection c(url_);
    EXPECT_EQ(c.exec("WITH d AS (DELETE FROM corvex_mare.corvex_intervalli RETURNING 1) SELECT "
                     "count(*) > 0 FROM d")
                  .value(0, 0),
              "t");
    expectSameReports({{"summary", "--from", "01/01/2025", "--to", "31/12/2025"},
                       {"guests-present", "--from", "01/01/2025", "--to", "31/01/2025",
                        "--max-nights", "7", "--min-age", "14"}});
}

// Statements whose server form depends on the data or on a literal's value
// (rooms all of digits sort and range without sort keys; "Instr(x,'*') = 0"
// is a LIKE; a stay's arrival bound is worked out by the caller) give the
// folder's rows, in its order, with digits-only rooms and with mixed ones.
TEST_F(PgReports, StatementsGiveTheFolderRows) {
    test::runSql("Scheda_Cliente.mdb",
                 "CREATE TABLE Scheda_Cliente (NumeroHotel SHORT, NumeroProgressivo LONG, "
                 "NumeroCamera TEXT(6) COLLATE NOCASE, DataArrivo TEXT(8) COLLATE NOCASE, "
                 "DataPartenza TEXT(8) COLLATE NOCASE, Lingua TEXT(5) COLLATE NOCASE);"
                 "INSERT INTO Scheda_Cliente VALUES (1, 1, '102', '20240301', '20240305', 'I'),"
                 "(1, 2, '9', '20240302', '20240310', 'I*'), (1, 3, NULL, '20240303', "
                 "'20240306', '%'), (1, 4, '10', '20240228', '20240304', NULL), (1, 5, '', "
                 "'20240301', 'x', 'a_b'), (1, 6, '101', '20240303', '20240304', '')");
    const std::vector<std::string> statements = {
        "Select * From Scheda_Cliente Order By NumeroCamera, NumeroProgressivo Desc",
        "Select * From Scheda_Cliente Where NumeroCamera <= 'ZZZZZZ' Order By NumeroCamera",
        "Select * From Scheda_Cliente Where Not (NumeroCamera > 'zz') Or NumeroCamera = 'Z'",
        "Select * From Scheda_Cliente Where 'ZZ' >= NumeroCamera And NumeroCamera >= '10'",
        "Select * From Scheda_Cliente Where NumeroCamera Between '' And '\xC3\x80'",
        "Select * From Scheda_Cliente Where Instr(Lingua,'*') = 0",
        "Select * From Scheda_Cliente Where Instr(Lingua,'%') > 0 Or 0 = Instr(Lingua,'_')",
        "Select * From Scheda_Cliente Where Not Instr(Lingua,'*') <> 0 And Instr(Lingua,'') = 0",
        "Select * From Scheda_Cliente Where DataArrivo <= '20240303' And DataPartenza > "
        "'20240303' Order By NumeroCamera",
        "Select * From Scheda_Cliente Where DataArrivo <= 'x' And DataPartenza > 'x'",
    };
    auto rows = [&](bool server) {
        db::chooseServer(server ? std::optional<db::ServerChoice>({url_, "mare", {}})
                                : std::nullopt);
        std::vector<std::string> out;
        {
            db::SnapshotScope run;
            auto d = db::Database::open("Scheda_Cliente.mdb");
            for (const auto& sql : statements) {
                std::string all = sql + ":";
                auto rs = d.openRecordset(utf8ToCp1252(sql));
                for (; !rs.eof(); rs.moveNext())
                    all += " " + rs.field("NumeroProgressivo").toText();
                out.push_back(all);
            }
        }
        db::chooseServer(std::nullopt);
        return out;
    };
    sync();
    EXPECT_EQ(rows(true), rows(false));
    test::runSql("Scheda_Cliente.mdb",
                 "UPDATE Scheda_Cliente SET NumeroCamera = '1''a' WHERE "
                 "NumeroProgressivo = 4");
    sync();
    EXPECT_EQ(rows(true), rows(false));
}

// Two structures of one municipality in one declaration: the yearly reports
// take several --property values and print one block per structure.
TEST_F(PgReports, GroupFilingsPrintOneBlockPerStructure) {
    test::ScopedEnv now("CORVEX_NOW", "31/12/2025");
    demo::generate(".", {demo::Size::Small, 1});
    sync("mare");
    demo::generate("monte", {demo::Size::Small, 2});
    fs::current_path("monte");
    sync("monte");
    fs::current_path("..");
    const std::vector<std::string> both = {"--db", url_,         "--property",
                                           "mare", "--property", "monte"};
    auto count = [](const std::string& text, const std::string& what) {
        std::size_t n = 0;
        for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    };
    struct Row {
        const char* report;
        const char* title;
        const char* perBlock;
    };
    for (const Row& row : {Row{"annual-declaration", "DICHIARAZIONE ANNUALE", "TOTALE ANNO 2025"},
                           Row{"modello-21", "MODELLO 21", "Firma ____"}}) {
        std::vector<std::string> args = {row.report, "--year", "2025"};
        const Outcome single = onServer(args, "monte");
        args.insert(args.end(), both.begin(), both.end());
        const Outcome group = report(empty_, args);
        ASSERT_EQ(group.code, 0) << group.err;
        EXPECT_EQ(count(group.report, row.title), 1u) << row.report;
        EXPECT_EQ(count(group.report, row.perBlock), 2u) << row.report;
        // The second block is the second structure's own.
        const std::string block = single.report.substr(single.report.find("\r\n\r\n") + 4, 400);
        EXPECT_NE(group.report.find(block), std::string::npos) << row.report;
    }
    std::vector<std::string> other = {"summary"};
    other.insert(other.end(), both.begin(), both.end());
    EXPECT_EQ(report(empty_, other).code, 2);
    // Structures of different municipalities make no declaration.
    pg::Connection conn(url_);
    pg::Result t = conn.exec(
        "SELECT nome_pg FROM corvex_monte.corvex_tabelle WHERE file = 'IdSDichiarazioni.mdb' AND "
        "tabella = 'Struttura'");
    ASSERT_EQ(t.rows(), 1);
    conn.exec("UPDATE corvex_monte." + pg::quoteIdent(t.value(0, 0)) +
              " SET \"Comune\" = 'Altrove'");
    std::vector<std::string> args = {"annual-declaration", "--year", "2025"};
    args.insert(args.end(), both.begin(), both.end());
    const Outcome r = report(empty_, args);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("una dichiarazione vale per un solo comune"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_empty(empty_));
}

TEST_F(PgReports, JetFixtureGivesTheFolderBytes) {
    const char* shared = std::getenv("CORVEX_SHARED_DIR");
    const fs::path fixture =
        fs::path(shared != nullptr && *shared ? shared : CORVEX_SHARED_DIR) / "fixtures/jet-hotel";
    if (!fs::exists(fixture / "jet")) GTEST_SKIP() << "shared fixtures not found at " << fixture;
    fs::copy(fixture / "jet", ".", fs::copy_options::recursive);
    test::ScopedEnv now("CORVEX_NOW", "31/12/2024");
    sync();
    expectSameReports({
        {"summary", "--from", "01/04/2024", "--to", "31/12/2024"},
        {"takings-register", "--from", "01/03/2024", "--to", "31/12/2024", "--counter", "0"},
        {"fiscal-detail", "--from", "01/06/2024", "--to", "30/06/2024"},
        {"departures", "--from", "01/08/2024", "--to", "31/08/2024"},
        {"tax-ledger", "--from", "01/01/2024", "--to", "31/12/2024"},
        {"annual-declaration", "--year", "2024"},
    });
}

// The server's fold and sort key against the engine's own text rules, on
// texts that differ by case, accent, the bytes 0x80-0x9F, digits and length.
TEST_F(PgReports, ServerTextOrderIsTheEngines) {
    pg::Connection conn(url_);
    conn.exec(pg::functionsSql());
    std::vector<std::string> texts = {"",
                                      "a",
                                      "A",
                                      "\xE0",
                                      "\xC0",
                                      "\xE0"
                                      "1",
                                      "A2",
                                      "\xC9"
                                      "1",
                                      "Z9",
                                      "ab",
                                      "aB",
                                      "\x8A",
                                      "\x9A",
                                      "s",
                                      "\x9F",
                                      "\xFF",
                                      "y",
                                      "\x80",
                                      "\x81",
                                      "\x9D",
                                      "10",
                                      "9",
                                      "1 ",
                                      "\xE6",
                                      "\xDF",
                                      "zz",
                                      "ZZZZZZ"};
    for (int b = 0x80; b < 0xA0; ++b) texts.push_back("x" + std::string(1, static_cast<char>(b)));
    for (const auto& a : texts) {
        for (const auto& b : texts) {
            pg::Result r = conn.execParams(
                "SELECT sign(CASE WHEN corvex_fn.sk($1) COLLATE \"C\" < corvex_fn.sk($2) THEN -1 "
                "WHEN corvex_fn.sk($1) COLLATE \"C\" > corvex_fn.sk($2) THEN 1 ELSE 0 END), "
                "corvex_fn.fold($1) = corvex_fn.fold($2), corvex_fn.sk($1) = $3",
                {cp1252ToUtf8(a), cp1252ToUtf8(b), pg::sortKey(a)});
            const int want = db::jet::compareNoCase(a, b);
            const std::string pair = "\"" + cp1252ToUtf8(a) + "\" vs \"" + cp1252ToUtf8(b) + "\"";
            EXPECT_EQ(std::string(r.value(0, 0)), std::to_string(want < 0   ? -1
                                                                 : want > 0 ? 1
                                                                            : 0))
                << pair;
            EXPECT_EQ(r.value(0, 1) == "t", db::jet::equalNoCase(a, b)) << pair;
            EXPECT_EQ(r.value(0, 2), "t") << pair;
        }
    }
    // NULL stays NULL, and the Jet functions keep Jet's counts.
    pg::Result r = conn.exec(
        "SELECT corvex_fn.sk(NULL) IS NULL, corvex_fn.instr('H\xC3\xA8llo', '\xC3\x88L'), "
        "corvex_fn.instr(3, 'abcabc', 'AB'), corvex_fn.instr(8, 'abc', ''), "
        "corvex_fn.left('abc', -1), corvex_fn.mid('abcdef', 2, 3), corvex_fn.len('\xC3\xA0"
        "b'), "
        "corvex_fn.ucase('\xC3\xA0\xC5\xA1\xC3\xBF')");
    const std::vector<std::string> want = {"t", "2",   "4", "0",
                                           "",  "bcd", "2", "\xC3\x80\xC5\xA0\xC5\xB8"};
    for (int i = 0; i < static_cast<int>(want.size()); ++i) EXPECT_EQ(r.value(0, i), want[i]) << i;
}

TEST_F(PgReports, BadServerInputWritesNothing) {
    test::ScopedEnv now("CORVEX_NOW", "31/12/2025");
    demo::generate(".", {demo::Size::Small, 3});
    sync();
    sync("vecchia");
    pg::Connection conn(url_);
    conn.exec("UPDATE corvex_vecchia.corvex_sync SET formato = 0");
    sync("monca");
    conn.exec("DELETE FROM corvex_monca.corvex_tabelle WHERE file = 'Conto_Cliente.mdb'");
    const std::vector<std::string> summary = {"summary", "--from", "01/03/2025", "--to",
                                              "31/03/2025"};
    struct Case {
        std::string url, property, says;
    };
    const std::vector<Case> cases = {
        {"postgresql://nessuno@/corvex?host=/nonexistent-dir-xyz", "mare", "corvex: summary: "},
        {"postgresql:///no_such_db?host=" + test::PgCluster::shared()->socketDir(), "mare",
         "no_such_db"},
        {url_, "assente", "manca lo schema corvex_assente"},
        {url_, "vecchia", "sincronizzazione di una versione precedente: rieseguire corvex sync"},
        {url_, "monca", "Conto_Cliente.mdb: file non trovato sul server"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = summary;
        args.insert(args.end(), {"--db", c.url, "--property", c.property});
        const Outcome r = report(empty_, args);
        EXPECT_EQ(r.code, 1) << c.property << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_TRUE(fs::is_empty(empty_)) << c.property << " left a file";
    }
    // Only one of the two is a usage error (exit 2).
    std::vector<std::string> args = summary;
    args.insert(args.end(), {"--db", url_});
    EXPECT_EQ(report(empty_, args).code, 2);
    EXPECT_TRUE(fs::is_empty(empty_));
}

}  // namespace
}  // namespace corvex
