// The tourist-tax filings of the year 2025 on the `large` demo hotel: the
// annual declaration, Modello 21, the return of the whole year and of one
// quarter, the tax ledger and the stays export of the year, and the desk's
// monthly chart figures, with the process's peak memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "bench_support.h"
#include "reports/filings/andamento.h"
#include "reports/reports.h"

namespace fs = std::filesystem;

namespace {

// Answers the year 2025, 7 nights at most, 14 years at least and the
void run(benchmark::State& state, corvex::bench::Routine report, const char* dal, const char* al) {
    corvex::bench::SilentIo io;
    io.answers = {{corvex::question::kYear, "2025"},
                  {corvex::question::kMaxNights, "7"},
                  {corvex::question::kMinAge, "14"}};
    corvex::bench::timeReport(state, "filings", report, dal, al, io);
}

void BM_AnnualDeclaration(benchmark::State& s) {
    run(s, corvex::StampaDichiarazioneAnnuale, "31/12/2025", "31/12/2025");
}
void BM_Modello21(benchmark::State& s) {
    run(s, corvex::StampaModello21, "31/12/2025", "31/12/2025");
}
void BM_ReturnOneYear(benchmark::State& s) {
    run(s, corvex::StampaDichiarazionePeriodica, "01/01/2025", "31/12/2025");
}
void BM_ReturnOneQuarter(benchmark::State& s) {
    run(s, corvex::StampaDichiarazionePeriodica, "01/07/2025", "30/09/2025");
}

void BM_TaxLedgerOneYear(benchmark::State& s) {
    run(s, corvex::StampaRegistroImposta, "01/01/2025", "31/12/2025");
}
void BM_StaysExportOneYear(benchmark::State& s) {
    run(s, corvex::EsportaSoggiorni, "01/01/2025", "31/12/2025");
}
// The figures of the desk's "Andamento" window for the year.
void BM_ChartYear(benchmark::State& s) {
    corvex::bench::SilentIo io;
    io.answers = {{corvex::question::kYear, "2025"},
                  {corvex::question::kMaxNights, "7"},
                  {corvex::question::kMinAge, "14"}};
    corvex::bench::timeReport(
        s, "filings",
        [](const corvex::ReportRequest&, corvex::Interaction&) {
            benchmark::DoNotOptimize(corvex::filings::andamentoAnno(2025));
            return corvex::ReportResult{};
        },
        "01/01/2025", "31/12/2025", io);
}

}  // namespace

BENCHMARK(BM_AnnualDeclaration)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Modello21)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReturnOneYear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReturnOneQuarter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TaxLedgerOneYear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StaysExportOneYear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChartYear)->Unit(benchmark::kMillisecond);
