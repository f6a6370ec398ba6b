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

#include "common/dates.h"
#include "data/engine/database.h"
#include "demo/demo.h"
#include "reports/reports.h"

namespace fs = std::filesystem;

namespace {

class Silent : public corvex::Interaction {
  public:
    std::optional<std::string> ask(const std::string&, const std::string&,
                                   const std::string& def) override {
        return def;
    }
    bool confirm(const std::string&, const std::string&, bool def) override { return def; }
    void warn(const std::string&, const std::string&) override {}
    void showPrintMenu() override {}
};

// The large data set, made once and shared between runs.
std::string largeData() {
    const fs::path cache = "/tmp/corvex-bench-large";
    if (!fs::exists(cache / "Scheda_Cliente.mdb")) {
        const fs::path tmp = cache.string() + ".tmp." + std::to_string(::getpid());
        corvex::demo::generate(tmp.string(), {corvex::demo::Size::Large, 1});
        std::error_code ec;
        fs::rename(tmp, cache, ec);
        if (ec) fs::remove_all(tmp);  // another process made it first
    }
    return cache.string();
}

struct Folder {
    std::string dal;  // a day well inside the data
    std::string meseDal, meseAl;

    Folder() {
        const fs::path work = "/tmp/corvex-bench-taxb";
        fs::remove_all(work);
        fs::copy(largeData(), work, fs::copy_options::recursive);
        fs::current_path(work);
        ::unsetenv("PCLocal");
        // The reference day: two weeks before the last arrival.
        corvex::db::Database schede = corvex::db::Database::open("Scheda_Cliente.mdb");
        auto rs = schede.openRecordset("Select Max(DataArrivo) as M From Scheda_Cliente");
        rs.moveFirst();
        const std::string ultimo = corvex::DataDaSql(rs.field("M").toText());
        dal = *corvex::AggiungiGiorni(ultimo, -14);
        meseDal = "01" + dal.substr(2);
        // The whole month of that day.
        const std::string dopo = *corvex::AggiungiGiorni(meseDal, 32);
        meseAl = *corvex::AggiungiGiorni("01" + dopo.substr(2), -1);
    }
};

Folder& folder() {
    static Folder f;
    return f;
}

void run(benchmark::State& state,
         corvex::ReportResult (*report)(const corvex::ReportRequest&, corvex::Interaction&),
         bool mese) {
    Folder& f = folder();
    corvex::ReportRequest r;
    r.dal = mese ? f.meseDal : f.dal;
    r.al = mese ? f.meseAl : f.dal;
    Silent io;
    report(r, io);  // warm the engine's caches
    for (auto _ : state) report(r, io);
    state.SetLabel(r.dal + " - " + r.al);
}

void BM_DailyCheckOneDay(benchmark::State& s) {
    run(s, corvex::VerificaImposteAssegnate, false);
}
void BM_AccruedOneDay(benchmark::State& s) {
    run(s, corvex::StampaImpostaMaturata, false);
}
void BM_DeparturesOneMonth(benchmark::State& s) {
    run(s, corvex::StampaSuPartenze, true);
}

BENCHMARK(BM_DailyCheckOneDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AccruedOneDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeparturesOneMonth)->Unit(benchmark::kMillisecond);

}  // namespace
