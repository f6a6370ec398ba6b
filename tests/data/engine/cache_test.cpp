// The indexed cache copies: freshness, and presence tests that give the same
// rows with and without the arrival bound the translator adds.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <random>
#include <thread>

#include "data/engine/copy_cache.h"
#include "data/engine/database.h"
#include "data/engine/error.h"
#include "engine_fixture.h"

namespace corvex::db {
namespace {

using test::runSql;

class CacheTest : public test::EngineTest {};

std::vector<std::string> keys(Recordset rs) {
    std::vector<std::string> out;
    for (; !rs.eof(); rs.moveNext()) out.push_back(rs.field("NumeroProgressivo").toText());
    return out;
}

TEST_F(CacheTest, ChangedFileIsReadAfresh) {
    runSql(
        "Scheda_Cliente.mdb",
        "CREATE TABLE Scheda_Cliente (NumeroHotel SHORT, NumeroProgressivo LONG, "
        "NomeCliente TEXT(20) COLLATE NOCASE); INSERT INTO Scheda_Cliente VALUES (1, 1, 'aaaa');");
    {
        auto db = Database::open("Scheda_Cliente.mdb");
        EXPECT_EQ(db.openRecordset("Scheda_Cliente").recordCount(), 1u);
    }
    EXPECT_FALSE(std::filesystem::is_empty(cacheDir()));
    runSql("Scheda_Cliente.mdb", "INSERT INTO Scheda_Cliente VALUES (1, 2, 'bbbb')");
    {
        auto db = Database::open("Scheda_Cliente.mdb");
        EXPECT_EQ(db.openRecordset("Scheda_Cliente").recordCount(), 2u);
    }
    // Same size, new content: the modification time tells.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    runSql("Scheda_Cliente.mdb",
           "UPDATE Scheda_Cliente SET NomeCliente = 'cccc' WHERE NumeroProgressivo = 1");
    {
        auto db = Database::open("Scheda_Cliente.mdb");
        auto rs = db.openRecordset("Select * From Scheda_Cliente Order by NumeroProgressivo");
        EXPECT_EQ(rs.field("NomeCliente").toText(), "cccc");
    }
    // One copy per file remains in the cache folder.
    int copies = 0;
    for (const auto& e : std::filesystem::directory_iterator(cacheDir())) {
        (void)e;
        ++copies;
    }
    EXPECT_EQ(copies, 1);
}

TEST_F(CacheTest, OneSnapshotPerRun) {
    runSql("Scheda_Cliente.mdb",
           "CREATE TABLE Scheda_Cliente (NumeroProgressivo LONG); INSERT INTO Scheda_Cliente "
           "VALUES (1);");
    runSql("SchClienti.mdb", "CREATE TABLE SchClienti (NumeroProgressivo LONG)");
    auto count = [](const char* file, const char* table) {
        return Database::open(file).openRecordset(table).recordCount();
    };
    {
        SnapshotScope run;
        EXPECT_EQ(count("Scheda_Cliente.mdb", "Scheda_Cliente"), 1u);
        EXPECT_EQ(count("SchClienti.mdb", "SchClienti"), 0u);
        // The suite replaces a file during the run; the program writes its own.
        runSql("Scheda_Cliente.mdb", "INSERT INTO Scheda_Cliente VALUES (2)");
        runSql("SchClienti.mdb", "INSERT INTO SchClienti VALUES (2)");
        EXPECT_EQ(count("Scheda_Cliente.mdb", "Scheda_Cliente"), 1u);
        EXPECT_EQ(count("SchClienti.mdb", "SchClienti"), 1u);
    }
    EXPECT_EQ(count("Scheda_Cliente.mdb", "Scheda_Cliente"), 2u);
}

TEST_F(CacheTest, WorksWithoutAUsableCacheFolder) {
    runSql("VociFattura.mdb",
           "CREATE TABLE VociFattura (NumeroHotel SHORT, Codice SHORT); INSERT INTO VociFattura "
           "VALUES (1, 501);");
    setenv("CORVEX_CACHE", "/proc/corvex-cannot-write-here", 1);
    auto db = Database::open("VociFattura.mdb");
    EXPECT_EQ(db.openRecordset("VociFattura").recordCount(), 1u);
    EXPECT_THROW(db.execute("DELETE FROM VociFattura"), DbError);
}

// Random register: stays of 0..25 nights, blank and NULL departures, Partito
// in several spellings, departures before arrivals. `odd` adds a row with a
// blank arrival and a real departure, which makes the span unbounded.
void makeRegister(const std::string& file, unsigned seed, bool odd) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db,
                 "BEGIN; CREATE TABLE Scheda_Cliente (NumeroHotel SHORT, NumeroProgressivo LONG, "
                 "NumeroCamera TEXT(6) COLLATE NOCASE, DataArrivo TEXT(8) COLLATE NOCASE, "
                 "DataPartenza TEXT(8) COLLATE NOCASE, DataPartenzaReale TEXT(8) COLLATE NOCASE, "
                 "Partito TEXT(1) COLLATE NOCASE, Lingua TEXT(5) COLLATE NOCASE)",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO Scheda_Cliente VALUES (1,?,?,?,?,?,?,?)", -1, &st, nullptr);
    std::mt19937 rng(seed);
    auto date = [](int day) {
        // Day 0 is 2024-01-01; a plain calendar walk is enough here.
        static const int len[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        int y = 2024, m = 0;
        while (day >= len[m]) {
            day -= len[m];
            if (++m == 12) m = 0, ++y;
        }
        char buf[32];
        std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m + 1, day + 1);
        return std::string(buf);
    };
    const char* partito[] = {"S", "N", "s", "X", ""};
    for (int i = 0; i < 2500; ++i) {
        int arrive = static_cast<int>(rng() % 300);
        std::string a = date(arrive);
        std::string d = date(arrive + static_cast<int>(rng() % 26));
        std::string r =
            rng() % 3 == 0 ? std::string() : date(arrive + static_cast<int>(rng() % 20));
        if (rng() % 50 == 0) d = date(arrive > 5 ? arrive - 5 : 0);
        sqlite3_bind_int(st, 1, i);
        sqlite3_bind_text(st, 2, std::to_string(100 + rng() % 50).c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, a.c_str(), -1, SQLITE_TRANSIENT);
        if (rng() % 40 == 0)
            sqlite3_bind_null(st, 4);
        else
            sqlite3_bind_text(st, 4, d.c_str(), -1, SQLITE_TRANSIENT);
        if (rng() % 40 == 0)
            sqlite3_bind_null(st, 5);
        else
            sqlite3_bind_text(st, 5, r.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 6, partito[rng() % 5], -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 7, rng() % 10 == 0 ? "I*" : "I", -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    if (odd)
        sqlite3_exec(db,
                     "INSERT INTO Scheda_Cliente VALUES (1, 9999, '101', '', '20240601', "
                     "'20240601', 'N', 'I')",
                     nullptr, nullptr, nullptr);
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void comparePresence(bool odd) {
    makeRegister("Scheda_Cliente.mdb", odd ? 5 : 4, odd);
    auto cached = Database::open("Scheda_Cliente.mdb");  // indexed copy with spans
    auto direct = Database::open("Scheda_Cliente.mdb", Database::Mode::ReadWrite);  // no bound
    std::mt19937 rng(9);
    std::vector<std::string> days = {"", "2024", "20241399", "abc", "20240101", "20241231"};
    for (int i = 0; i < 40; ++i) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "2024%02d%02d", 1 + static_cast<int>(rng() % 11),
                      1 + static_cast<int>(rng() % 28));
        days.push_back(buf);
    }
    bool bounded = false;
    for (std::size_t i = 0; i < days.size(); ++i) {
        const std::string& d = days[i];
        const std::string& d1 = days[(i * 7 + 3) % days.size()];
        std::vector<std::string> sqls = {
            "Select * From Scheda_Cliente where NumeroHotel = 1 and instr(Lingua,'*')=0 and "
            "NumeroCamera >= '1' and NumeroCamera <= '999' and DataArrivo <= '" +
                d + "' and ((Partito <> 'S' and DataPartenza > '" + d +
                "') or (Partito = 'S' and DataPartenzaReale > '" + d + "')) Order by NumeroCamera;",
            "Select * From Scheda_Cliente Where NumeroHotel = 1 and Instr(Lingua,'*') = 0 and "
            "DataArrivo <= '" +
                d + "' and ((DataPartenza > '" + d1 +
                "' and Partito = 'N') or (DataPartenzaReale > '" + d1 + "' and Partito = 'S'))",
            "Select * From Scheda_Cliente where NumeroHotel = 1 and DataArrivo <= '" + d +
                "' and DataPartenzaReale > '" + d + "' Order by NumeroCamera;",
            "Select * From Scheda_Cliente Where DataArrivo <= '" + d +
                "' and DataPartenzaReale > '" + d1 + "' Order by NumeroCamera,NumeroProgressivo;",
        };
        for (const auto& sql : sqls) {
            if (cached.translatedSql(sql).find("corvex_datesub") != std::string::npos)
                bounded = true;
            ASSERT_EQ(keys(cached.openRecordset(sql)), keys(direct.openRecordset(sql))) << sql;
        }
    }
    EXPECT_EQ(bounded, !odd) << "the arrival bound should apply exactly when the spans are bounded";
}

TEST_F(CacheTest, PresenceTestsGiveTheSameRowsWithTheArrivalBound) {
    comparePresence(false);
}

TEST_F(CacheTest, PresenceTestsWithAnUnboundedSpan) {
    comparePresence(true);
}

}  // namespace
}  // namespace corvex::db
