// Engine benchmarks: a report statement through the engine against the same
// statement sent to SQLite directly, and find-first look-ups on a large
// recordset. The data is generated here, in a temporary folder.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "data/engine/connection.h"
#include "data/engine/database.h"
#include "data/engine/index_cache.h"
#include "data/engine/sql_lexer.h"
#include "data/engine/sqlite_functions.h"

namespace {

using corvex::db::Database;

// Day 0 is 2022-01-01.
std::string dateText(int day) {
    static const int len[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int y = 2022, m = 0;
    for (;;) {
        int l = len[m] + (m == 1 && y % 4 == 0 ? 1 : 0);
        if (day < l) break;
        day -= l;
        if (++m == 12) m = 0, ++y;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m + 1, day + 1);
    return buf;
}

struct Data {
    std::string dir;
    int guests = 0;
    int charges = 0;

    Data() {
        char tmpl[] = "/tmp/corvex-bench-XXXXXX";
        dir = mkdtemp(tmpl);
        setenv("CORVEX_CACHE", (dir + "/cache").c_str(), 1);
        std::filesystem::create_directories(dir + "/data");
        std::filesystem::current_path(dir + "/data");
        generate();
    }
    ~Data() {
        std::error_code ec;
        std::filesystem::current_path("/", ec);
        std::filesystem::remove_all(dir, ec);
    }

    static void exec(sqlite3* db, const std::string& sql) {
        char* err = nullptr;
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
            std::fprintf(stderr, "%s\n", err);
            std::abort();
        }
    }

    // Three years of a 250-room hotel: guests staying 1-14 nights, one tourist
    // tax line per night and a few other charges per guest.
    void generate() {
        std::mt19937 rng(42);
        sqlite3 *reg = nullptr, *acc = nullptr, *voci = nullptr;
        sqlite3_open("Scheda_Cliente.mdb", &reg);
        sqlite3_open("Conto_Cliente.mdb", &acc);
        sqlite3_open("VociFattura.mdb", &voci);
        exec(reg,
             "BEGIN; CREATE TABLE Scheda_Cliente (NumeroHotel SHORT, NumeroProgressivo LONG, "
             "NumeroCamera TEXT(6) COLLATE NOCASE, NomeCliente TEXT(100) COLLATE NOCASE, "
             "DataArrivo TEXT(8) COLLATE NOCASE, DataPartenza TEXT(8) COLLATE NOCASE, "
             "DataNascita TEXT(8) COLLATE NOCASE, Partito TEXT(1) COLLATE NOCASE, "
             "DataPartenzaReale TEXT(8) COLLATE NOCASE, Lingua TEXT(5) COLLATE NOCASE, "
             "CodiceCapoGruppo LONG, Commento TEXT(100) COLLATE NOCASE)");
        exec(acc,
             "BEGIN; CREATE TABLE Conto_Cliente (NumeroHotel SHORT, NumeroRiga LONG, CodiceCliente "
             "LONG, VoceAddebito SHORT, DataAddebito TEXT(8) COLLATE NOCASE, NumeroCamera TEXT(6) "
             "COLLATE NOCASE, Descrizione TEXT(100) COLLATE NOCASE, \"Quantità\" LONG, Importo "
             "CURRENCY)");
        exec(voci,
             "CREATE TABLE VociFattura (NumeroHotel SHORT, Codice SHORT, Descrizione TEXT(40) "
             "COLLATE NOCASE, Reparto TEXT(10) COLLATE NOCASE, Importo CURRENCY, AliquotaIva "
             "CURRENCY); INSERT INTO VociFattura VALUES (1, 501, 'Imposta', 'IDS', 2, 0);"
             "INSERT INTO VociFattura VALUES (1, 502, 'Imposta ridotta', 'IDS', 1, 0);"
             "INSERT INTO VociFattura VALUES (1, 10, 'Bar', 'BAR', 0, 10);");
        sqlite3_stmt *g = nullptr, *c = nullptr;
        sqlite3_prepare_v2(reg,
                           "INSERT INTO Scheda_Cliente VALUES (1,?,?,?,?,?,'19800101',?,?,?,0,"
                           "'note')",
                           -1, &g, nullptr);
        sqlite3_prepare_v2(acc, "INSERT INTO Conto_Cliente VALUES (1,?,?,?,?,?,?,?,?)", -1, &c,
                           nullptr);
        const int days = 3 * 365;
        for (int room = 101; room <= 350; ++room) {
            int day = static_cast<int>(rng() % 5);
            while (day < days) {
                int nights = 1 + static_cast<int>(rng() % 14);
                int persons = 1 + static_cast<int>(rng() % 3);
                bool left = day + nights < days - 10;
                for (int p = 0; p < persons; ++p) {
                    int id = ++guests;
                    std::string roomText = std::to_string(room);
                    sqlite3_bind_int(g, 1, id);
                    sqlite3_bind_text(g, 2, roomText.c_str(), -1, SQLITE_TRANSIENT);
                    std::string name = "Ospite " + std::to_string(id);
                    sqlite3_bind_text(g, 3, name.c_str(), -1, SQLITE_TRANSIENT);
                    std::string a = dateText(day), d = dateText(day + nights);
                    sqlite3_bind_text(g, 4, a.c_str(), -1, SQLITE_TRANSIENT);
                    sqlite3_bind_text(g, 5, d.c_str(), -1, SQLITE_TRANSIENT);
                    sqlite3_bind_text(g, 6, left ? "S" : "N", -1, SQLITE_TRANSIENT);
                    sqlite3_bind_text(g, 7, left ? d.c_str() : "", -1, SQLITE_TRANSIENT);
                    sqlite3_bind_text(g, 8, rng() % 20 == 0 ? "I*" : "I", -1, SQLITE_TRANSIENT);
                    sqlite3_step(g);
                    sqlite3_reset(g);
                    for (int n = 0; n < nights + 1; ++n) {
                        bool tax = n < nights;
                        sqlite3_bind_int(c, 1, ++charges);
                        sqlite3_bind_int(c, 2, id);
                        sqlite3_bind_int(c, 3, tax ? 501 : 10);
                        std::string when = dateText(day + n);
                        sqlite3_bind_text(c, 4, when.c_str(), -1, SQLITE_TRANSIENT);
                        sqlite3_bind_text(c, 5, roomText.c_str(), -1, SQLITE_TRANSIENT);
                        sqlite3_bind_text(c, 6, tax ? "Imposta di soggiorno" : "Bar", -1,
                                          SQLITE_TRANSIENT);
                        sqlite3_bind_int(c, 7, 1);
                        sqlite3_bind_double(c, 8, tax ? 2.0 : 3.5);
                        sqlite3_step(c);
                        sqlite3_reset(c);
                    }
                }
                day += nights + static_cast<int>(rng() % 3);
            }
        }
        sqlite3_finalize(g);
        sqlite3_finalize(c);
        exec(reg, "COMMIT");
        exec(acc, "COMMIT");
        sqlite3_close(reg);
        sqlite3_close(acc);
        sqlite3_close(voci);
    }
};

Data& data() {
    static Data d;
    return d;
}

std::string presence(const std::string& d) {
    return "Select * From Scheda_Cliente where NumeroHotel = 1 and instr(Lingua,'*')=0 and "
           "NumeroCamera >= '1' and NumeroCamera <= '999' and DataArrivo <= '" +
           d + "' and ((Partito <> 'S' and DataPartenza > '" + d +
           "') or (Partito = 'S' and DataPartenzaReale > '" + d + "')) Order by NumeroCamera;";
}

std::string charges(const std::string& d) {
    return "Select * From Conto_Cliente Where NumeroHotel = 1 and DataAddebito = '" + d +
           "' and NumeroCamera >= '1' and NumeroCamera <= '999' and VoceAddebito In (Select "
           "Codice From VociFattura In 'VociFattura.mdb' Where NumeroHotel = 1 and Reparto = "
           "'IDS') and CodiceCliente In (Select NumeroProgressivo From Scheda_Cliente In "
           "'Scheda_Cliente.mdb' Where NumeroHotel = 1 and instr(Lingua,'*')=0  and NumeroCamera "
           ">= '1' and NumeroCamera <= '999' and DataArrivo <= '" +
           d + "' and ((Partito <> 'S' and DataPartenza > '" + d +
           "') or (Partito = 'S' and DataPartenzaReale > '" + d + "'))) Order by VoceAddebito;";
}

// The day of iteration i: walks through the period like a report does.
std::string dayOf(std::int64_t i) {
    return dateText(30 + static_cast<int>(i % 1000));
}

// One report statement through the engine: translate, run, materialise.
template <std::string (*Make)(const std::string&)>
void BM_Engine(benchmark::State& state) {
    data();
    auto db = Database::open(Make == presence ? "Scheda_Cliente.mdb" : "Conto_Cliente.mdb");
    std::int64_t i = 0, rows = 0;
    for (auto _ : state) {
        auto rs = db.openRecordset(Make(dayOf(i++)));
        rows += static_cast<std::int64_t>(rs.recordCount());
        benchmark::DoNotOptimize(rs.field(std::size_t{0}));
    }
    state.counters["rows/stmt"] = static_cast<double>(rows) / static_cast<double>(i);
}

// The same, opening the file for every statement as the reports do (one
// Database per statement and day): the pooled connection keeps the prepared
// statement, the translation and the attached files.
template <std::string (*Make)(const std::string&)>
void BM_EngineReopening(benchmark::State& state) {
    data();
    const char* file = Make == presence ? "Scheda_Cliente.mdb" : "Conto_Cliente.mdb";
    std::int64_t i = 0, rows = 0;
    for (auto _ : state) {
        auto db = Database::open(file);
        auto rs = db.openRecordset(Make(dayOf(i++)));
        rows += static_cast<std::int64_t>(rs.recordCount());
        benchmark::DoNotOptimize(rs.field(std::size_t{0}));
    }
    state.counters["rows/stmt"] = static_cast<double>(rows) / static_cast<double>(i);
}

// The same statement, as the engine translates it, sent to SQLite directly
// on the same indexed copies: prepared once, literals bound, every column
// read. The difference to BM_Engine is the engine's own cost (lexing, shape
// look-up, building the recordset in code page 1252).
template <std::string (*Make)(const std::string&)>
void BM_Sqlite(benchmark::State& state) {
    data();
    const bool reg = Make == presence;
    std::string sql;
    {
        auto db = Database::open(reg ? "Scheda_Cliente.mdb" : "Conto_Cliente.mdb");
        sql = db.translatedSql(Make(dayOf(0)));
    }
    sqlite3* raw = nullptr;
    std::string main =
        corvex::db::indexedCopy(reg ? "Scheda_Cliente.mdb" : "Conto_Cliente.mdb", "");
    sqlite3_open_v2(corvex::db::readOnlyUri(main).c_str(), &raw,
                    SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    corvex::db::registerEngineFunctions(raw);
    if (!reg) {
        Data::exec(raw,
                   "ATTACH '" +
                       corvex::db::readOnlyUri(corvex::db::indexedCopy("VociFattura.mdb", "")) +
                       "' AS x1");
        Data::exec(raw,
                   "ATTACH '" +
                       corvex::db::readOnlyUri(corvex::db::indexedCopy("Scheda_Cliente.mdb", "")) +
                       "' AS x2");
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(raw, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        state.SkipWithError(sqlite3_errmsg(raw));
        return;
    }
    std::int64_t i = 0, rows = 0;
    for (auto _ : state) {
        auto literals = corvex::db::sql::lex(Make(dayOf(i++))).literals;
        for (int k = 0; k < sqlite3_bind_parameter_count(st); ++k)
            corvex::db::bindValue(st, k + 1, literals[static_cast<std::size_t>(k)]);
        int cols = sqlite3_column_count(st);
        while (sqlite3_step(st) == SQLITE_ROW) {
            ++rows;
            for (int c = 0; c < cols; ++c) {
                if (sqlite3_column_type(st, c) == SQLITE_TEXT)
                    benchmark::DoNotOptimize(sqlite3_column_text(st, c));
                else
                    benchmark::DoNotOptimize(sqlite3_column_int64(st, c));
            }
        }
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_close(raw);
    state.counters["rows/stmt"] = static_cast<double>(rows) / static_cast<double>(i);
}

// Without the engine's cache: the plain statement on the suite's own file,
// which has no index (what a direct port would cost).
void BM_PresenceOnOriginalFile(benchmark::State& state) {
    data();
    sqlite3* raw = nullptr;
    sqlite3_open_v2("file:Scheda_Cliente.mdb?mode=ro", &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                    nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(raw,
                       "SELECT * FROM Scheda_Cliente WHERE NumeroHotel = 1 AND instr(Lingua,'*')=0 "
                       "AND NumeroCamera >= '1' AND NumeroCamera <= '999' AND DataArrivo <= ?1 AND "
                       "((Partito <> 'S' AND DataPartenza > ?1) OR (Partito = 'S' AND "
                       "DataPartenzaReale > ?1)) ORDER BY NumeroCamera, rowid",
                       -1, &st, nullptr);
    std::int64_t i = 0;
    for (auto _ : state) {
        std::string d = dayOf(i++);
        sqlite3_bind_text(st, 1, d.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(st) == SQLITE_ROW) benchmark::DoNotOptimize(sqlite3_column_text(st, 2));
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_close(raw);
}

// Find-first with a fresh literal on a 100,000-row recordset, equality
// criterion; the index is built before timing starts.
void BM_FindFirstFresh(benchmark::State& state) {
    data();
    auto db = Database::open("Conto_Cliente.mdb");
    auto rs = db.openRecordset("Select * From Conto_Cliente Where NumeroRiga <= 100000");
    rs.findFirst("NumeroHotel = 1 and CodiceCliente = 1");
    std::mt19937 rng(1);
    std::int64_t found = 0;
    for (auto _ : state) {
        std::string crit =
            "NumeroHotel = 1 and CodiceCliente = " + std::to_string(rng() % (data().guests / 3));
        found += rs.findFirst(crit) ? 1 : 0;
    }
    state.counters["rows"] = static_cast<double>(rs.recordCount());
    state.counters["hit rate"] =
        static_cast<double>(found) / static_cast<double>(state.iterations());
}

// The same with the five-field document key shape (text and numbers).
void BM_FindFirstFreshTextKey(benchmark::State& state) {
    data();
    auto db = Database::open("Conto_Cliente.mdb");
    auto rs = db.openRecordset("Select * From Conto_Cliente Where NumeroRiga <= 100000");
    rs.findFirst("NumeroHotel = 1 and DataAddebito = '20220105' and NumeroCamera = '101'");
    std::mt19937 rng(1);
    for (auto _ : state) {
        std::string crit = "NumeroHotel = 1 and DataAddebito = '" + dayOf(rng() % 300) +
                           "' and NumeroCamera = '" + std::to_string(101 + rng() % 250) + "'";
        benchmark::DoNotOptimize(rs.findFirst(crit));
    }
}

// Opening the 100,000-row recordset, and opening it plus the first find (the
// difference is the one-off index build).
void BM_Open100k(benchmark::State& state) {
    data();
    auto db = Database::open("Conto_Cliente.mdb");
    for (auto _ : state) {
        auto rs = db.openRecordset("Select * From Conto_Cliente Where NumeroRiga <= 100000");
        benchmark::DoNotOptimize(rs.recordCount());
    }
}

void BM_Open100kAndFirstFind(benchmark::State& state) {
    data();
    auto db = Database::open("Conto_Cliente.mdb");
    for (auto _ : state) {
        auto rs = db.openRecordset("Select * From Conto_Cliente Where NumeroRiga <= 100000");
        benchmark::DoNotOptimize(rs.findFirst("NumeroHotel = 1 and CodiceCliente = 77"));
    }
}

// Building the indexed copy of the charges file (about 3 years of lines).
void BM_BuildIndexedCopy(benchmark::State& state) {
    data();
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(data().dir + "/cache");
        state.ResumeTiming();
        benchmark::DoNotOptimize(corvex::db::indexedCopy("Conto_Cliente.mdb", ""));
    }
    state.counters["lines"] = data().charges;
}

// A suite file written between reports: each open rebuilds its indexed
// copy; the cache keeps one copy per source file however often that happens.
void BM_ReopenAfterChange(benchmark::State& state) {
    data();
    namespace fs = std::filesystem;
    int changes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const auto when = fs::last_write_time("Conto_Cliente.mdb");
        fs::last_write_time("Conto_Cliente.mdb", when - std::chrono::seconds(10 + ++changes));
        state.ResumeTiming();
        auto db = Database::open("Conto_Cliente.mdb");
        benchmark::DoNotOptimize(db.openRecordset("Conto_Cliente").recordCount());
    }
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(data().dir + "/cache")) ++files;
    state.counters["cache_files"] = static_cast<double>(files);
}

}  // namespace

BENCHMARK(BM_ReopenAfterChange)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_TEMPLATE(BM_Engine, presence)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_Sqlite, presence)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_Engine, charges)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_Sqlite, charges)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_EngineReopening, presence)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_EngineReopening, charges)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PresenceOnOriginalFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindFirstFresh)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindFirstFreshTextKey)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Open100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Open100kAndFirstFind)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildIndexedCopy)->Unit(benchmark::kMillisecond)->Iterations(3);
