// Tax detail on fiscal documents, takings register and cash table on the
// `large` demo hotel (data up to 31/12/2025), over one month and one year.
//
// The data set is generated once into /tmp/corvex-bench-large (shared with
// the other report benchmarks) and linked into a private working folder,
// where the reports write their report file.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

#include "bench_support.h"
#include "reports/reports.h"

namespace fs = std::filesystem;

namespace {

corvex::ReportRequest request(bool year) {
    corvex::ReportRequest r;
    r.dal = year ? "01/01/2025" : "01/08/2025";
    r.al = year ? "31/12/2025" : "31/08/2025";
    r.contatore = 0;
    return r;
}

template <corvex::ReportResult (*Report)(const corvex::ReportRequest&, corvex::Interaction&)>
void run(benchmark::State& state) {
    corvex::bench::enterLinkedFolder("fiscal");
    const corvex::ReportRequest r = request(state.range(0) == 1);
    // Counter 0 (all), complete register, all sections.
    corvex::bench::SilentIo io;
    io.otherAnswer = "0";
    io.yes = {corvex::question::kComplete};
    io.confirmDefaults = false;
    Report(r, io);  // untimed: the engine's first open builds its cache copies
    for (auto _ : state) {
        benchmark::DoNotOptimize(Report(r, io));
    }
    state.counters["peak_rss_MB"] = corvex::bench::peakMegabytes();
}

}  // namespace

// Argument 0: one month (August 2025); 1: one year (2025).
BENCHMARK(run<corvex::StampaDettaglioImposta>)
    ->Name("FiscalDetail")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(run<corvex::StampaCorrispettivi>)
    ->Name("TakingsRegister")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(run<corvex::StampaCassa>)
    ->Name("CashTable")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);
