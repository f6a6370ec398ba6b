// `corvex sync` of the large demo data into a throw-away PostgreSQL server:
// the first sync, and a sync after one changed file, against COPY of the
// same rows pre-rendered as text (what `psql \copy` sends) as the reference.
//
//   corvex_bench --benchmark_filter=PgSync
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <libpq-fe.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench_support.h"
#include "data/pg/pg_connection.h"
#include "data/pg/sync.h"
#include "support/pg_cluster.h"

namespace corvex::bench {
namespace {

namespace fs = std::filesystem;

// The files a "changed file" run changes: the live charges (changed every
// day) and the documents (the largest file the live register writes).
const char* const kChanged[] = {"Conto_Cliente.mdb", "Fatture.mdb"};

// A private folder: links to the large data, with real copies of the files
// the benchmarks touch.
const std::string& syncFolder() {
    // The copies (about 50 MB) go when the process ends.
    struct Folder {
        std::string dir;
        ~Folder() {
            std::error_code ec;
            fs::current_path("/", ec);
            fs::remove_all(dir, ec);
        }
    };
    static const Folder folder{[] {
        enterLinkedFolder("pgsync");
        for (const char* f : kChanged) {
            fs::remove(f);
            fs::copy_file(fs::path(largeData()) / f, f);
        }
        return fs::current_path().string();
    }()};
    fs::current_path(folder.dir);
    return folder.dir;
}

pg::SyncSummary syncInto(const std::string& url) {
    syncFolder();
    return pg::syncFolder({url, "large", {}});
}

bool skipWithoutServer(benchmark::State& state) {
    if (test::PgCluster::shared() != nullptr) return false;
    state.SkipWithError(test::PgCluster::unavailable().c_str());
    return true;
}

void BM_PgSyncFirst(benchmark::State& state) {
    if (skipWithoutServer(state)) return;
    pg::SyncSummary s;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string url = test::PgCluster::shared()->createDatabase("bench_first");
        state.ResumeTiming();
        s = syncInto(url);
    }
    state.counters["rows"] = static_cast<double>(s.rowsSent);
}
BENCHMARK(BM_PgSyncFirst)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// A sync where only kChanged[arg] changed since the last one.
void BM_PgSyncOneChangedFile(benchmark::State& state) {
    if (skipWithoutServer(state)) return;
    const std::string url = test::PgCluster::shared()->createDatabase("bench_changed");
    syncInto(url);
    const char* file = kChanged[state.range(0)];
    pg::SyncSummary s;
    for (auto _ : state) {
        state.PauseTiming();
        syncFolder();
        ::utimensat(AT_FDCWD, file, nullptr, 0);  // now: a new signature
        state.ResumeTiming();
        s = syncInto(url);
    }
    state.SetLabel(file);
    state.counters["rows"] = static_cast<double>(s.rowsSent);
}
BENCHMARK(BM_PgSyncOneChangedFile)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

// The reference: the synced tables' rows as COPY text, sent again by COPY
// FROM STDIN in one transaction. range(0): 0 every table, 1 and 2 the
// tables of kChanged[0] and kChanged[1]; range(1): 1 into the same indexed
// tables after a DELETE (what a sync does once the tables exist), 0 into
// fresh tables without indexes (the bare transfer).
void BM_PgSyncReferenceCopy(benchmark::State& state) {
    if (skipWithoutServer(state)) return;
    const std::string url = test::PgCluster::shared()->createDatabase("bench_reference");
    syncInto(url);
    pg::Connection c(url);
    std::string where;
    if (state.range(0) > 0) {
        where = " WHERE file = '" + std::string(kChanged[state.range(0) - 1]) + "'";
    }
    pg::Result r = c.exec("SELECT nome_pg FROM corvex_large.corvex_tabelle" + where);
    std::vector<std::pair<std::string, std::string>> tables;  // table, its rows as COPY text
    std::int64_t rows = 0;
    for (int i = 0; i < r.rows(); ++i) {
        const std::string t = "corvex_large." + std::string(r.value(i, 0));
        std::string text;
        PQclear(PQexec(c.raw(), ("COPY " + t + " TO STDOUT").c_str()));
        char* buf = nullptr;
        int n;
        while ((n = PQgetCopyData(c.raw(), &buf, 0)) > 0) {
            text.append(buf, static_cast<std::size_t>(n));
            PQfreemem(buf);
            ++rows;
        }
        while (PGresult* rest = PQgetResult(c.raw())) PQclear(rest);
        tables.emplace_back(t, std::move(text));
    }
    const bool indexed = state.range(1) == 1;
    for (auto _ : state) {
        c.exec("BEGIN");
        for (const auto& [t, text] : tables) {
            std::string target = t;
            if (indexed) {
                c.exec("DELETE FROM " + t);
            } else {
                target = t + "_plain";
                c.exec("CREATE TABLE " + target + " (LIKE " + t + ")");
            }
            c.copyIn("COPY " + target + " FROM STDIN");
            // psql sends a file in pieces of this size.
            for (std::size_t at = 0; at < text.size(); at += 1 << 20) {
                c.putCopyData(std::string_view(text).substr(at, 1 << 20));
            }
            c.endCopy();
        }
        c.exec("COMMIT");
        if (!indexed) {
            state.PauseTiming();
            for (const auto& [t, text] : tables) c.exec("DROP TABLE " + t + "_plain");
            state.ResumeTiming();
        }
    }
    state.SetLabel(std::string(state.range(0) == 0 ? "every table" : kChanged[state.range(0) - 1]) +
                   (indexed ? ", indexed tables" : ", plain tables"));
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_PgSyncReferenceCopy)
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({2, 0})
    ->Args({2, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();

}  // namespace
}  // namespace corvex::bench
