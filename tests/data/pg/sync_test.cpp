// `corvex sync` against a real, throw-away PostgreSQL server.
#include "data/pg/sync.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "cli/sync_cmd.h"
#include "common/text.h"
#include "data/pg/pg_connection.h"
#include "data/pg/pg_functions.h"
#include "demo/demo.h"
#include "support/data_folder.h"
#include "support/pg_cluster.h"
#include "support/pg_test_database.h"
#include "support/scoped_env.h"

namespace corvex::pg {
namespace {

namespace fs = std::filesystem;

std::string sqliteCount(const std::string& file, const std::string& table) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, ("SELECT count(*) FROM \"" + table + "\"").c_str(), -1, &st, nullptr);
    const std::string n = sqlite3_step(st) == SQLITE_ROW
                              ? reinterpret_cast<const char*>(sqlite3_column_text(st, 0))
                              : "?";
    sqlite3_finalize(st);
    sqlite3_close(db);
    return n;
}

struct Outcome {
    int code;
    std::string out, err;
};

class PgSync : public ::testing::Test {
  protected:
    void SetUp() override {
        test::PgCluster* cluster = test::PgCluster::shared();
        if (cluster == nullptr) GTEST_SKIP() << test::PgCluster::unavailable();
        url_ = test::databaseForThisTest(*cluster, "sync");
        conn_.emplace(url_);
        folder_.emplace();
    }

    Outcome sync(std::vector<std::string> extra = {}, const std::string& property = "mare") {
        std::vector<std::string> args = {"--db", url_, "--property", property};
        args.insert(args.end(), extra.begin(), extra.end());
        std::ostringstream out, err;
        const int code = cli::runSync(args, out, err);
        return {code, out.str(), err.str()};
    }
    std::string value(const std::string& sql) {
        Result r = conn_->exec(sql);
        return r.rows() == 0 || r.isNull(0, 0) ? "NULL" : std::string(r.value(0, 0));
    }
    // The physical table of a file's table, schema-qualified.
    std::string table(const std::string& file, const std::string& name,
                      const std::string& schema = "corvex_mare") {
        return schema + "." +
               value("SELECT nome_pg FROM " + schema + ".corvex_tabelle WHERE file = " +
                     quoteLiteral(file) + " AND tabella = " + quoteLiteral(name));
    }
    // Every table's rows in corvex_riga order as one text, by file and table.
    std::map<std::string, std::string> contents(const std::string& schema = "corvex_mare") {
        std::map<std::string, std::string> out;
        Result r = conn_->exec("SELECT file, tabella, nome_pg FROM " + schema + ".corvex_tabelle");
        for (int i = 0; i < r.rows(); ++i) {
            const std::string t = schema + "." + std::string(r.value(i, 2));
            out[std::string(r.value(i, 0)) + "/" + std::string(r.value(i, 1))] = value(
                "SELECT count(*) || ':' || coalesce(md5(string_agg(x::text, '|' ORDER BY "
                "x.corvex_riga)), '') FROM " +
                t + " x");
        }
        return out;
    }
    void smallFolder() {
        test::insertRow("Scheda_Cliente.mdb", "Scheda_Cliente",
                        {{"NumeroProgressivo", 1}, {"NomeCliente", "Rossi"}});
        test::insertRow("Conto_Cliente.mdb", "Conto_Cliente",
                        {{"CodiceCliente", 1}, {"Importo", 12.5}, {"DataAddebito", "20250101"}});
        test::insertRow("CodiciIva.mdb", "CodiciIva", {{"Codice", 1}, {"Valore", 22.0}});
        folder_->writeFile("Parametri.txt", "a\r\nb\r\n");
    }

    std::string url_;
    std::optional<Connection> conn_;
    std::optional<test::TempDataFolder> folder_;
};

TEST_F(PgSync, ValuesTypesAndOrderRoundTrip) {
    std::string all;  // every code page 1252 byte but NUL
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    test::createSuiteTable("Conto_Cliente.mdb", "Conto_Cliente");
    // Rows inserted out of rowid order: the table's own order is rowid's.
    test::runSql("Conto_Cliente.mdb",
                 "INSERT INTO Conto_Cliente (rowid, NumeroRiga, Importo, Descrizione, DataAddebito)"
                 " VALUES (9, 3, 12345678901.2345, NULL, '20250131'),"
                 " (2, 1, -0.0001, 'x', NULL), (5, 2, 1234.5678, " +
                     quoteLiteral(cp1252ToUtf8(all)) + ", '')");
    test::runSql("Conto_Cliente.mdb",
                 "UPDATE Conto_Cliente SET Importo = 0.1 + 0.2 WHERE NumeroRiga = 1");
    folder_->writeFile("CamereImp.txt", std::string("101\r\n\x80\xff\x01\r\n", 10));
    const Outcome r = sync();
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("Conto_Cliente.mdb: 1 tabella, 3 righe"), std::string::npos) << r.err;

    const std::string t = table("Conto_Cliente.mdb", "Conto_Cliente");
    EXPECT_EQ(value("SELECT string_agg(\"NumeroRiga\" || '=' || corvex_riga || ':' || "
                    "coalesce(\"Importo\"::text, 'N') || ':' || coalesce(\"DataAddebito\", 'N'), "
                    "' ' ORDER BY corvex_riga) FROM " +
                    t),
              "1=1:0.3000:N 2=2:1234.5678: 3=3:12345678901.2345:20250131");
    EXPECT_EQ(utf8ToCp1252(value("SELECT \"Descrizione\" FROM " + t + " WHERE corvex_riga = 2")),
              all);
    EXPECT_EQ(value("SELECT \"Descrizione\" IS NULL FROM " + t + " WHERE corvex_riga = 3"), "t");
    EXPECT_EQ(value("SELECT string_agg(c.colonna || ' ' || c.tipo || ' ' || i.data_type, ',' "
                    "ORDER BY c.posizione) FROM corvex_mare.corvex_colonne c JOIN "
                    "information_schema.columns i ON i.table_schema = 'corvex_mare' AND "
                    "i.table_name = '" +
                    t.substr(12) +
                    "' AND i.column_name = c.colonna "
                    "WHERE c.colonna IN ('NumeroHotel', 'NumeroRiga', 'Descrizione', 'Importo')"),
              "NumeroHotel SHORT bigint,NumeroRiga LONG bigint,Descrizione TEXT(100) text,"
              "Importo CURRENCY numeric");
    EXPECT_EQ(value("SELECT encode(contenuto, 'hex') FROM corvex_mare.corvex_file"),
              "3130310d0a80ff010d0a");
    EXPECT_EQ(value("SELECT formato || ' ' || generazione FROM corvex_mare.corvex_sync"), "1 1");
}

TEST_F(PgSync, OnlyChangedFilesAreSentAgain) {
    smallFolder();
    ASSERT_EQ(sync().code, 0);
    const std::string scheda = table("Scheda_Cliente.mdb", "Scheda_Cliente");
    const std::string conto = table("Conto_Cliente.mdb", "Conto_Cliente");
    auto xmin = [&](const std::string& t) { return value("SELECT min(xmin::text) FROM " + t); };
    const std::string schedaRows = xmin(scheda), contoRows = xmin(conto);

    Outcome r = sync();
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("(generazione 2): 0 database inviati (0 tabelle, 0 righe), 3 invariati, "
                         "0 file di testo inviati"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(xmin(scheda), schedaRows);

    // A report's transaction from before the sync keeps reading its rows.
    Connection reader(url_);
    reader.exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
    auto readerCount = [&] {
        return std::string(reader.exec("SELECT count(*) FROM " + conto).value(0, 0));
    };
    EXPECT_EQ(readerCount(), "1");
    test::insertRow("Conto_Cliente.mdb", "Conto_Cliente", {{"CodiceCliente", 2}});
    folder_->writeFile("Parametri.txt", "c\r\n");
    r = sync();
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err,
              "corvex: sync: Conto_Cliente.mdb: 1 tabella, 2 righe\ncorvex: sync: "
              "Parametri.txt\n");
    EXPECT_EQ(xmin(scheda), schedaRows);
    const std::string conto2 = table("Conto_Cliente.mdb", "Conto_Cliente");
    EXPECT_NE(conto2, conto);
    EXPECT_EQ(value("SELECT count(*) FROM " + conto2), "2");
    EXPECT_EQ(readerCount(), "1");
    ASSERT_EQ(sync().code, 0);  // the old table stays while that transaction runs
    EXPECT_EQ(readerCount(), "1");
    reader.exec("COMMIT");

    // A file gone and a table whose columns changed.
    fs::remove("CodiciIva.mdb");
    test::runSql("Scheda_Cliente.mdb", "ALTER TABLE Scheda_Cliente ADD COLUMN Extra TEXT(5)");
    r = sync();
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("1 non più nella cartella"), std::string::npos) << r.out;
    EXPECT_EQ(value("SELECT to_regclass('" + conto + "') IS NULL"), "t");
    EXPECT_EQ(value("SELECT count(*) FROM corvex_mare.corvex_tabelle WHERE file = 'CodiciIva.mdb'"),
              "0");
    EXPECT_NE(table("Scheda_Cliente.mdb", "Scheda_Cliente"), scheda);
    const std::string columns = test::suiteColumns("Scheda_Cliente");
    EXPECT_EQ(value("SELECT max(posizione) FROM corvex_mare.corvex_colonne WHERE tabella = "
                    "'Scheda_Cliente'"),
              std::to_string(std::count(columns.begin(), columns.end(), ',') + 2));
}

TEST_F(PgSync, AFailedSyncLeavesTheServerAsItWas) {
    smallFolder();
    ASSERT_EQ(sync().code, 0);
    const auto before = contents();
    const struct {
        const char* name;
        std::function<void()> breakIt;
        const char* message;
    } rows[] = {
        {"damaged file", [&] { folder_->writeFile("CodiciIva.mdb", std::string(3000, 'x')); },
         "CodiciIva.mdb: "},
        {"server refuses a table",
         [&] {
             conn_->exec(
                 "CREATE FUNCTION corvex_mare.no() RETURNS trigger LANGUAGE plpgsql AS "
                 "$$BEGIN RAISE EXCEPTION 'rifiutato'; END$$;"
                 "CREATE TRIGGER no BEFORE INSERT OR UPDATE ON corvex_mare.corvex_tabelle FOR "
                 "EACH ROW WHEN (NEW.tabella = 'Conto_Cliente') EXECUTE FUNCTION "
                 "corvex_mare.no()");
         },
         "Conto_Cliente.mdb: tabella Conto_Cliente: "},
    };
    for (const auto& row : rows) {
        // Files before the failing one changed too: none of them may land.
        test::insertRow("Scheda_Cliente.mdb", "Scheda_Cliente", {{"NumeroProgressivo", 9}});
        test::insertRow("Conto_Cliente.mdb", "Conto_Cliente", {{"CodiceCliente", 9}});
        row.breakIt();
        const Outcome r = sync();
        EXPECT_EQ(r.code, 1) << row.name;
        EXPECT_NE(r.err.find(std::string("non riuscita, il server resta com'era: ") + row.message),
                  std::string::npos)
            << row.name << ": " << r.err;
        EXPECT_EQ(contents(), before) << row.name;
        EXPECT_EQ(value("SELECT generazione FROM corvex_mare.corvex_sync"), "1") << row.name;
        if (fs::exists("CodiciIva.mdb")) fs::remove("CodiciIva.mdb");
    }
}

TEST_F(PgSync, BadInputIsRefusedWithoutShowingThePassword) {
    smallFolder();
    const struct {
        std::vector<std::string> args;
        std::optional<std::string> envDb;
        int code;
        const char* message;
    } rows[] = {
        {{"--db", "postgresql://anna:segreto@[::1", "--property", "mare"},
         std::nullopt,
         1,
         "indirizzo del server non valido"},
        {{"--db", "postgresql://anna:segreto@/x?host=/nonexistent", "--property", "mare"},
         std::nullopt,
         1,
         "postgresql://anna@/x?host=/nonexistent: server non raggiungibile"},
        {{"--property", "Mare-1"}, "host=/tmp", 1, "nome di proprietà non valido \"Mare-1\""},
        {{"--property", "mare"}, std::nullopt, 2, "manca --db (o la variabile CORVEX_DB)"},
        {{"--db", "x", "--property", "mare", "extra"}, std::nullopt, 2, "argomento inatteso"},
    };
    for (const auto& row : rows) {
        test::ScopedEnv db("CORVEX_DB", row.envDb);
        test::ScopedEnv property("CORVEX_PROPERTY", std::nullopt);
        std::ostringstream out, err;
        EXPECT_EQ(cli::runSync(row.args, out, err), row.code) << err.str();
        EXPECT_NE(err.str().find(row.message), std::string::npos) << err.str();
        EXPECT_EQ(err.str().find("segreto"), std::string::npos) << err.str();
    }
    // The environment stands in for both options.
    test::ScopedEnv db("CORVEX_DB", url_);
    test::ScopedEnv property("CORVEX_PROPERTY", "monte");
    std::ostringstream out, err;
    EXPECT_EQ(cli::runSync({}, out, err), 0) << err.str();
    EXPECT_EQ(value("SELECT generazione FROM corvex_monte.corvex_sync"), "1");
}

TEST_F(PgSync, DemoFolderLandsWholeAndJetMatchesSqlite) {
    demo::generate(".", {demo::Size::Small, 1});
    ASSERT_EQ(sync().code, 0);
    // Each table's row count as the file has it, each column of its type.
    for (const auto& [id, summary] : contents()) {
        const std::string file = id.substr(0, id.find('/')), name = id.substr(id.find('/') + 1);
        EXPECT_EQ(summary.substr(0, summary.find(':')), sqliteCount(file, name)) << id;
    }
    Result cols = conn_->exec(
        "SELECT c.tipo, i.data_type FROM corvex_mare.corvex_colonne c JOIN "
        "corvex_mare.corvex_tabelle t USING (file, tabella) LEFT JOIN information_schema.columns "
        "i ON i.table_schema = 'corvex_mare' AND i.table_name = t.nome_pg AND i.column_name = "
        "c.colonna");
    ASSERT_GT(cols.rows(), 100);
    for (int i = 0; i < cols.rows(); ++i) {
        const std::string want = serverType(std::string(cols.value(i, 0)));
        EXPECT_EQ(want.substr(0, want.find('(')), cols.value(i, 1)) << cols.value(i, 0);
    }
    EXPECT_EQ(value("SELECT count(DISTINCT file) FROM corvex_mare.corvex_tabelle"), "14");
    EXPECT_EQ(value("SELECT count(*) FROM corvex_mare.corvex_file"), "2");
    // The stays' spans worked out while sending are the server's own figures.
    Result spans =
        conn_->exec("SELECT nome_pg, colonna, giorni FROM corvex_mare.corvex_intervalli");
    ASSERT_GE(spans.rows(), 4);
    for (int i = 0; i < spans.rows(); ++i)
        EXPECT_EQ(value(longestStaySql("corvex_mare." + quoteIdent(spans.value(i, 0)),
                                       "\"DataArrivo\"", quoteIdent(spans.value(i, 1)))),
                  spans.value(i, 2))
            << spans.value(i, 0) << "." << spans.value(i, 1);

    const char* shared = std::getenv("CORVEX_SHARED_DIR");
    const fs::path fixture =
        fs::path(shared != nullptr && *shared ? shared : CORVEX_SHARED_DIR) / "fixtures/jet-hotel";
    if (!fs::exists(fixture / "jet")) GTEST_SKIP() << "shared fixtures not found at " << fixture;
    fs::copy(fixture / "jet", "jet");
    fs::copy(fixture / "sqlite", "sqlite");
    fs::current_path("jet");
    ASSERT_EQ(sync({}, "jet").code, 0);
    fs::current_path("../sqlite");
    ASSERT_EQ(sync({}, "lite").code, 0);
    fs::current_path("..");
    const auto jet = contents("corvex_jet");
    EXPECT_EQ(jet.size(), 16u);  // 11 files
    EXPECT_EQ(jet, contents("corvex_lite"));
}

}  // namespace
}  // namespace corvex::pg

namespace corvex::pg {
namespace {

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(PgSync, EightReportsDuringASyncSeeTheOldDataOrTheNew) {
    demo::generate("old", {demo::Size::Small, 1});
    demo::generate("new", {demo::Size::Small, 2});
    const std::string corvex = "'" + std::string(CORVEX_BINARY_DIR) + "/corvex'";
    const std::string report = "CORVEX_NOW=31/12/2025 timeout 300 " + corvex +
                               " report summary --from 01/12/2025 --to 31/12/2025 --db '" + url_ +
                               "' --property mare";
    auto syncFrom = [&](const std::string& dir) {
        fs::current_path(dir);
        const Outcome r = sync();
        fs::current_path("..");
        ASSERT_EQ(r.code, 0) << r.err;
    };
    auto lone = [&](const std::string& dir) {
        fs::create_directory(dir);
        EXPECT_EQ(std::system(("cd " + dir + " && " + report + " >/dev/null").c_str()), 0);
        return fileBytes(dir + "/fd0");
    };
    syncFrom("new");
    const std::string fresh = lone("lone-new");
    syncFrom("old");
    const std::string old = lone("lone-old");
    ASSERT_NE(fresh, old);
    ASSERT_FALSE(old.empty());

    // The sync of the new data runs while eight reports start one after the other.
    std::string script = "(cd new && " + corvex + " sync --db '" + url_ +
                         "' --property mare >/dev/null 2>&1; echo $? >../sync.rc) & ";
    for (int i = 1; i <= 8; ++i) {
        const std::string dir = "r" + std::to_string(i);
        script += "mkdir " + dir + " && (cd " + dir + " && " + report +
                  " >/dev/null 2>err; echo $? >rc) & sleep 0.1; ";
    }
    ASSERT_EQ(std::system(("bash -c \"" + script + "wait\"").c_str()), 0);
    EXPECT_EQ(fileBytes("sync.rc"), "0\n");
    for (int i = 1; i <= 8; ++i) {
        const std::string dir = "r" + std::to_string(i);
        EXPECT_EQ(fileBytes(dir + "/rc"), "0\n") << fileBytes(dir + "/err");
        const std::string bytes = fileBytes(dir + "/fd0");
        EXPECT_TRUE(bytes == old || bytes == fresh) << dir << ": " << test::utf8(bytes);
    }
    EXPECT_EQ(lone("lone-after"), fresh);
}

}  // namespace
}  // namespace corvex::pg
