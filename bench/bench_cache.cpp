// The cache of Jet copies after the suite writes: the first report on an
// empty cache, and the next report after one page of a large Jet table
// changed. Genuine Jet data: the jet-hotel folder with its Conto_Cliente.mdb
// replaced by the 300,000-row jet-bench file (25.9 MB). We have no Jet
// writer, so the suite's write is simulated: one letter of a text value in
// the first row of a data page of the table changes in place (the page stays
// valid, jet_edit.h) and the file's mtime moves to ten seconds ago.
//
//   corvex_bench --benchmark_filter=Cache
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include "../tests/support/jet_edit.h"
#include "bench_support.h"
#include "data/engine/copy_cache.h"
#include "data/engine/jet_cache.h"
#include "reports/reports.h"

namespace {

namespace fs = std::filesystem;

fs::path shared() {
    const char* env = std::getenv("CORVEX_SHARED_DIR");
    return env && *env ? fs::path(env) : fs::path(CORVEX_SHARED_DIR);
}

// The data folder and a private cache folder for the whole run.
struct Folder {
    fs::path data, cache;
    std::string problem;
    Folder() {
        const fs::path hotel = shared() / "fixtures" / "jet-hotel" / "jet";
        const fs::path big = shared() / "fixtures" / "jet-bench" / "Conto_Cliente.mdb";
        const fs::path importer = fs::path(CORVEX_BINARY_DIR) / "corvex-jetimport";
        if (!fs::exists(hotel) || !fs::exists(big)) {
            problem = "fixtures missing under " + shared().string();
            return;
        }
        if (!std::getenv("CORVEX_JETIMPORT")) setenv("CORVEX_JETIMPORT", importer.c_str(), 1);
        const std::string tag = std::to_string(getpid());
        data = fs::temp_directory_path() / ("corvex-bench-cache-data." + tag);
        cache = fs::temp_directory_path() / ("corvex-bench-cache." + tag);
        fs::create_directories(data);
        fs::create_directories(cache);
        for (const auto& e : fs::directory_iterator(hotel))
            fs::copy_file(e.path(), data / e.path().filename());
        fs::copy_file(big, data / "Conto_Cliente.mdb", fs::copy_options::overwrite_existing);
        for (const auto& e : fs::directory_iterator(data)) {
            fs::permissions(e.path(), fs::perms::owner_read | fs::perms::owner_write);
            fs::last_write_time(e.path(), fs::file_time_type::clock::now() - std::chrono::hours(1));
        }
        setenv("CORVEX_CACHE", cache.c_str(), 1);
        ::unsetenv("PCLocal");
        fs::current_path(data);
    }
    ~Folder() {
        std::error_code ec;
        fs::current_path("/", ec);
        if (!data.empty()) fs::remove_all(data, ec);
        if (!cache.empty()) fs::remove_all(cache, ec);
    }
    void emptyCache() const {
        for (auto& e : fs::directory_iterator(cache)) fs::remove(e.path());
    }
    // The suite's write: one letter on a page of the file's tables, then
    // the file settles (written ten seconds ago).
    void write(const std::string& name) const {
        const fs::path file = data / name;
        const std::string copy = corvex::db::jetCachedCopy(file.string());
        std::set<long> pages;
        sqlite3* db = nullptr;
        sqlite3_open_v2(copy.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT page FROM corvex_pages", -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) pages.insert(sqlite3_column_int64(st, 0));
        sqlite3_finalize(st);
        sqlite3_close(db);
        static int n = 0;
        corvex::test::changeOneLetter(
            file, [&](long p) { return pages.count(p) > 0; }, n++ % 50);
        fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::seconds(10));
    }
};

Folder& folder() {
    static Folder f;
    return f;
}

using Report = corvex::ReportResult (*)(const corvex::ReportRequest&, corvex::Interaction&);

corvex::ReportResult run(Report report, const char* dal, const char* al) {
    corvex::ReportRequest r;
    r.dal = dal;
    r.al = al;
    corvex::bench::SilentIo io;
    return report(r, io);
}

// The month summary reads the large Conto_Cliente.mdb day by day.
void BM_CacheFirstReportOnEmptyCache(benchmark::State& state) {
    if (!folder().problem.empty()) return state.SkipWithError(folder().problem.c_str());
    for (auto _ : state) {
        state.PauseTiming();
        folder().emptyCache();
        state.ResumeTiming();
        run(corvex::StampaRiepilogoImposta, "01/03/2022", "31/03/2022");
    }
}
BENCHMARK(BM_CacheFirstReportOnEmptyCache)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

void BM_CacheReportAfterOnePageOfALargeTableChanged(benchmark::State& state) {
    if (!folder().problem.empty()) return state.SkipWithError(folder().problem.c_str());
    run(corvex::StampaRiepilogoImposta, "01/03/2022", "31/03/2022");
    for (auto _ : state) {
        state.PauseTiming();
        folder().write("Conto_Cliente.mdb");
        state.ResumeTiming();
        run(corvex::StampaRiepilogoImposta, "01/03/2022", "31/03/2022");
    }
}
BENCHMARK(BM_CacheReportAfterOnePageOfALargeTableChanged)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();

// The same report with nothing changed: the floor of the two above.
void BM_CacheReportUnchanged(benchmark::State& state) {
    if (!folder().problem.empty()) return state.SkipWithError(folder().problem.c_str());
    run(corvex::StampaRiepilogoImposta, "01/03/2022", "31/03/2022");
    for (auto _ : state) run(corvex::StampaRiepilogoImposta, "01/03/2022", "31/03/2022");
}
BENCHMARK(BM_CacheReportUnchanged)->Unit(benchmark::kMillisecond)->UseRealTime();

// The one-month cash table after a receipt: one page of the hotel's
// Fatture.mdb (four tables) changed.
void BM_CacheCashTableAfterAnInvoiceWrite(benchmark::State& state) {
    if (!folder().problem.empty()) return state.SkipWithError(folder().problem.c_str());
    run(corvex::StampaCassa, "01/03/2024", "31/03/2024");
    for (auto _ : state) {
        state.PauseTiming();
        folder().write("Fatture.mdb");
        state.ResumeTiming();
        run(corvex::StampaCassa, "01/03/2024", "31/03/2024");
    }
}
BENCHMARK(BM_CacheCashTableAfterAnInvoiceWrite)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();

// The import alone of the large file after one page changed (against
// BM_JetImport, the whole file).
void BM_CacheJetImportAfterOnePageChanged(benchmark::State& state) {
    if (!folder().problem.empty()) return state.SkipWithError(folder().problem.c_str());
    const std::string file = (folder().data / "Conto_Cliente.mdb").string();
    corvex::db::jetCachedCopy(file);
    for (auto _ : state) {
        state.PauseTiming();
        folder().write("Conto_Cliente.mdb");
        state.ResumeTiming();
        benchmark::DoNotOptimize(corvex::db::jetCachedCopy(file));
    }
}
BENCHMARK(BM_CacheJetImportAfterOnePageChanged)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();

}  // namespace
