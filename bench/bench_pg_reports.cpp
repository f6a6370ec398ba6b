// Reports through --db on the large demo data, synced once into a throw-away
// PostgreSQL server: the one-year period summary against the same on the
// folder, and eight one-month reports run at once as eight processes.
//
//   corvex_bench --benchmark_filter=PgReport
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "cli/cli.h"
#include "data/pg/sync.h"
#include "support/pg_cluster.h"

namespace corvex::bench {
namespace {

namespace fs = std::filesystem;

// The server's copy of the large data (property "large"), made once.
const std::string& serverUrl() {
    static const std::string url = [] {
        const std::string u = test::PgCluster::shared()->createDatabase("bench_reports");
        enterLinkedFolder("pgreports");
        pg::syncFolder({u, "large", {}});
        return u;
    }();
    return url;
}

bool skipWithoutServer(benchmark::State& state) {
    if (test::PgCluster::shared() != nullptr) return false;
    state.SkipWithError(test::PgCluster::unavailable().c_str());
    return true;
}

int report(std::vector<std::string> args, bool server) {
    args.insert(args.begin(), "report");
    if (server) args.insert(args.end(), {"--db", serverUrl(), "--property", "large"});
    std::ostringstream out, err;
    return cli::run(args, out, err);
}

// Arg 0: on the folder; arg 1: through --db.
void BM_PgReportSummaryYear(benchmark::State& state) {
    if (skipWithoutServer(state)) return;
    const bool server = state.range(0) == 1;
    serverUrl();
    enterLinkedFolder("pgreports");
    const std::vector<std::string> args = {"summary", "--from", "01/01/2025", "--to", "31/12/2025"};
    if (report(args, server) != 0) return state.SkipWithError("the report failed");  // warm
    for (auto _ : state) report(args, server);
    state.SetLabel(server ? "server" : "folder");
}
BENCHMARK(BM_PgReportSummaryYear)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

// Eight `corvex report summary --db` processes, one month each, started at
// once (workstations 1-8, so each writes its own report file).
void BM_PgReportsEightConcurrent(benchmark::State& state) {
    if (skipWithoutServer(state)) return;
    const std::string url = serverUrl();
    enterLinkedFolder("pgreports");
    const std::string corvex = std::string(CORVEX_BINARY_DIR) + "/corvex";
    int failed = 0;
    for (auto _ : state) {
        std::vector<pid_t> children;
        for (int i = 1; i <= 8; ++i) {
            const std::string month = (i < 10 ? "0" : "") + std::to_string(i);
            const std::string from = "01/" + month + "/2025", to = "28/" + month + "/2025";
            const std::string station = std::to_string(i);
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::setenv("PCLocal", station.c_str(), 1);
                ::execl(corvex.c_str(), "corvex", "report", "summary", "--from", from.c_str(),
                        "--to", to.c_str(), "--db", url.c_str(), "--property", "large",
                        static_cast<char*>(nullptr));
                ::_exit(127);
            }
            children.push_back(pid);
        }
        for (pid_t pid : children) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ++failed;
        }
    }
    if (failed) state.SkipWithError("a report failed");
}
BENCHMARK(BM_PgReportsEightConcurrent)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
}  // namespace corvex::bench
