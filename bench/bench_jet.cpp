// Reading a large genuine Jet file: the first open (import into the cache),
// against mdb-export of the same table as the floor to meet, and the second
// open, which must only find the cached copy.
//
//   corvex_bench --benchmark_filter=Jet
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "data/engine/jet_cache.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

fs::path benchFile() {
    const char* env = std::getenv("CORVEX_SHARED_DIR");
    const fs::path shared = env && *env ? fs::path(env) : fs::path(CORVEX_SHARED_DIR);
    return shared / "fixtures" / "jet-bench" / "Conto_Cliente.mdb";
}

// A private cache folder and the built importer for the whole run.
struct BenchEnv {
    fs::path cache;
    bool ready = false;
    std::string problem;
    BenchEnv() {
        if (!fs::exists(benchFile())) {
            problem = "fixture missing: " + benchFile().string();
            return;
        }
        const fs::path importer = fs::path(CORVEX_BINARY_DIR) / "corvex-jetimport";
        if (!std::getenv("CORVEX_JETIMPORT")) setenv("CORVEX_JETIMPORT", importer.c_str(), 1);
        if (!fs::exists(std::getenv("CORVEX_JETIMPORT"))) {
            problem = "build the corvex-jetimport target first";
            return;
        }
        cache = fs::temp_directory_path() / ("corvex-bench-jet-" + std::to_string(getpid()));
        fs::create_directories(cache);
        setenv("CORVEX_CACHE", cache.c_str(), 1);
        ready = true;
    }
    ~BenchEnv() {
        std::error_code ec;
        if (!cache.empty()) fs::remove_all(cache, ec);
    }
    void emptyCache() const {
        for (auto& e : fs::directory_iterator(cache)) fs::remove(e.path());
    }
};

BenchEnv& env() {
    static BenchEnv e;
    return e;
}

void BM_JetImport(benchmark::State& state) {
    if (!env().ready) return state.SkipWithError(env().problem.c_str());
    for (auto _ : state) {
        state.PauseTiming();
        env().emptyCache();
        state.ResumeTiming();
        benchmark::DoNotOptimize(corvex::db::jetCachedCopy(benchFile().string()));
    }
    state.counters["rows/s"] = benchmark::Counter(
        300000.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_JetImport)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_MdbExportSameTable(benchmark::State& state) {
    if (!fs::exists(benchFile())) return state.SkipWithError("fixture missing");
    for (auto _ : state) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        std::string file = benchFile().string(), table = "Conto_Cliente", exe = "mdb-export";
        char* argv[] = {exe.data(), file.data(), table.data(), nullptr};
        pid_t pid;
        const int rc = posix_spawnp(&pid, "mdb-export", &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) return state.SkipWithError("mdb-export not found");
        int status = 0;
        waitpid(pid, &status, 0);
    }
}
BENCHMARK(BM_MdbExportSameTable)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The second open: find the copy, open it and read one value.
void BM_JetCachedOpen(benchmark::State& state) {
    if (!env().ready) return state.SkipWithError(env().problem.c_str());
    const std::string file = benchFile().string();
    corvex::db::jetCachedCopy(file);
    for (auto _ : state) {
        const std::string copy = corvex::db::jetCachedCopy(file);
        sqlite3* db = nullptr;
        sqlite3_open_v2(copy.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT NumeroRiga FROM Conto_Cliente WHERE rowid = 1", -1, &st,
                           nullptr);
        sqlite3_step(st);
        benchmark::DoNotOptimize(sqlite3_column_int(st, 0));
        sqlite3_finalize(st);
        sqlite3_close(db);
    }
}
BENCHMARK(BM_JetCachedOpen)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
