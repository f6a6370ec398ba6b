// Daily check, tax accrued at a date and departures on the `large` demo
// hotel. The data set is generated once into a cache folder and copied into
// a private working folder (the reports write their report file and the
// snapshot there).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "bench_support.h"
#include "common/dates.h"
#include "data/engine/database.h"
#include "reports/reports.h"

namespace fs = std::filesystem;

namespace {

// A private copy of the large data set. Files keep their modification
// times, so the engine's cache copies of them stay valid between runs.
void copyData(const fs::path& from, const fs::path& to) {
    fs::create_directories(to);
    for (const auto& e : fs::directory_iterator(from)) {
        const fs::path target = to / e.path().filename();
        std::error_code ec;
        if (fs::exists(target) && fs::file_size(target) == e.file_size() &&
            fs::last_write_time(target) == e.last_write_time()) {
            continue;
        }
        fs::copy_file(e.path(), target, fs::copy_options::overwrite_existing);
        fs::last_write_time(target, e.last_write_time(), ec);
    }
}

// The whole month of a "dd/mm/yyyy" day.
std::pair<std::string, std::string> mese(const std::string& giorno) {
    const std::string primo = "01" + giorno.substr(2);
    const std::string dopo = *corvex::AggiungiGiorni(primo, 32);
    return {primo, *corvex::AggiungiGiorni("01" + dopo.substr(2), -1)};
}

struct Periods {
    std::string giorno;          // two weeks before the last arrival: live register
    std::string giornoArchivio;  // four months earlier: departed guests, archive
    std::pair<std::string, std::string> meseRecente, meseArchivio;

    Periods() {
        const fs::path work = "/tmp/corvex-bench-taxb";
        copyData(corvex::bench::largeData(), work);
        fs::current_path(work);
        ::unsetenv("PCLocal");
        corvex::db::Database schede = corvex::db::Database::open("Scheda_Cliente.mdb");
        auto rs = schede.openRecordset("Select Max(DataArrivo) as M From Scheda_Cliente");
        rs.moveFirst();
        const std::string ultimo = corvex::DataDaSql(rs.field("M").toText());
        giorno = *corvex::AggiungiGiorni(ultimo, -14);
        giornoArchivio = *corvex::AggiungiGiorni(giorno, -122);
        meseRecente = mese(giorno);
        meseArchivio = mese(giornoArchivio);
    }
};

Periods& periods() {
    static Periods p;
    return p;
}

using Report = corvex::ReportResult (*)(const corvex::ReportRequest&, corvex::Interaction&);

void run(benchmark::State& state, Report report, const std::string& dal, const std::string& al) {
    corvex::ReportRequest r;
    r.dal = dal;
    r.al = al;
    corvex::bench::SilentIo io;
    report(r, io);  // warm the engine's caches
    for (auto _ : state) report(r, io);
    state.SetLabel(r.dal + " - " + r.al);
}

void BM_DailyCheckOneDay(benchmark::State& s) {
    const auto& p = periods();
    run(s, corvex::VerificaImposteAssegnate, p.giorno, p.giorno);
}
void BM_AccruedOneDay(benchmark::State& s) {
    const auto& p = periods();
    run(s, corvex::StampaImpostaMaturata, p.giorno, p.giorno);
}
void BM_AccruedOneArchivedDay(benchmark::State& s) {
    const auto& p = periods();
    run(s, corvex::StampaImpostaMaturata, p.giornoArchivio, p.giornoArchivio);
}
void BM_DeparturesRecentMonth(benchmark::State& s) {
    const auto& p = periods();
    run(s, corvex::StampaSuPartenze, p.meseRecente.first, p.meseRecente.second);
}
void BM_DeparturesArchivedMonth(benchmark::State& s) {
    const auto& p = periods();
    run(s, corvex::StampaSuPartenze, p.meseArchivio.first, p.meseArchivio.second);
}

BENCHMARK(BM_DailyCheckOneDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AccruedOneDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AccruedOneArchivedDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeparturesRecentMonth)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeparturesArchivedMonth)->Unit(benchmark::kMillisecond);

}  // namespace
