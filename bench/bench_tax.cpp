// Period summary, guests-present detail and arrivals report on the `large`
// demo hotel (data up to 31/12/2025), plus the floor: one sqlite3 aggregate
// statement that computes the summary's daily figures for the same year on
// the same files.
//
// The data set is generated once into /tmp/corvex-bench-large (shared with
// the other report benchmarks) and linked into a private working folder,
// where the reports write their report file and trace file.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

#include "bench_support.h"
#include "reports/reports.h"

namespace fs = std::filesystem;

namespace {

void run(benchmark::State& state, corvex::bench::Routine report, const char* dal, const char* al) {
    corvex::bench::SilentIo io;
    io.answers = {{corvex::question::kMaxNights, "7"}};
    io.otherAnswer = "14";  // minimum age
    corvex::bench::timeReport(state, "taxa", report, dal, al, io);
}

void BM_SummaryOneMonth(benchmark::State& s) {
    run(s, corvex::StampaRiepilogoImposta, "01/07/2025", "31/07/2025");
}
void BM_SummaryOneYear(benchmark::State& s) {
    run(s, corvex::StampaRiepilogoImposta, "01/01/2025", "31/12/2025");
}
void BM_GuestsPresentOneMonth(benchmark::State& s) {
    run(s, corvex::StampaOspitiPresenti, "01/07/2025", "31/07/2025");
}
void BM_ArrivalsOneMonth(benchmark::State& s) {
    run(s, corvex::StampaArriviPresenze, "01/07/2025", "31/07/2025");
}

// The summary's daily figures for 2025 in one statement, all rooms:
// presences of the live register and the archive (a running sum of arrivals
// and departures), exempt and paying nights and the amount of the tax lines
// of guests present on the line's day.
const char* const kFloorSql = R"(
WITH RECURSIVE giorno(d) AS (
  SELECT date('2025-01-01') UNION ALL SELECT date(d, '+1 day') FROM giorno WHERE d < '2025-12-31'),
g(k) AS (SELECT strftime('%Y%m%d', d) FROM giorno),
voci AS (SELECT Codice FROM VociFattura WHERE NumeroHotel = 1 AND Reparto = 'IDS'),
soggiorni(arrivo, partenza) AS (
  SELECT DataArrivo, CASE WHEN Partito = 'S' THEN DataPartenzaReale ELSE DataPartenza END
  FROM Scheda_Cliente WHERE NumeroHotel = 1 AND instr(Lingua, '*') = 0
  UNION ALL
  SELECT DataArrivo, DataPartenzaReale FROM arch.Scheda_Cliente
  WHERE NumeroHotel = 1 AND instr(Lingua, '*') = 0),
eventi(k, delta) AS (
  SELECT max(arrivo, '20250101'), 1 FROM soggiorni
  WHERE arrivo <= '20251231' AND partenza > '20250101' AND partenza > arrivo
  UNION ALL
  SELECT partenza, -1 FROM soggiorni
  WHERE arrivo <= '20251231' AND partenza > '20250101' AND partenza > arrivo),
variazioni AS (SELECT k, sum(delta) AS delta FROM eventi GROUP BY k),
presenze AS (
  SELECT g.k, sum(coalesce(v.delta, 0)) OVER (ORDER BY g.k) AS n
  FROM g LEFT JOIN variazioni v ON v.k = g.k),
righe AS (
  SELECT c.DataAddebito AS k, c."Quantità" AS q, c.Importo AS i FROM Conto_Cliente c
    JOIN Scheda_Cliente s ON s.NumeroProgressivo = c.CodiceCliente
  WHERE c.NumeroHotel = 1 AND c.DataAddebito BETWEEN '20250101' AND '20251231'
    AND c.VoceAddebito IN voci AND s.NumeroHotel = 1 AND instr(s.Lingua, '*') = 0
    AND s.DataArrivo <= c.DataAddebito
    AND ((s.Partito <> 'S' AND s.DataPartenza > c.DataAddebito)
         OR (s.Partito = 'S' AND s.DataPartenzaReale > c.DataAddebito))
  UNION ALL
  SELECT c.DataAddebito, c."Quantità", c.Importo FROM archc.Conto_Cliente c
    JOIN arch.Scheda_Cliente s ON s.NumeroProgressivo = c.CodiceCliente
  WHERE c.NumeroHotel = 1 AND c.DataAddebito BETWEEN '20250101' AND '20251231'
    AND c.VoceAddebito IN voci AND s.NumeroHotel = 1 AND instr(s.Lingua, '*') = 0
    AND s.DataArrivo <= c.DataAddebito AND s.DataPartenzaReale > c.DataAddebito)
SELECT p.k, p.n, coalesce(r.esenti, 0), coalesce(r.paganti, 0), coalesce(r.importo, 0)
FROM presenze p
LEFT JOIN (SELECT k, sum(CASE WHEN i > 0 THEN 0 ELSE q END) AS esenti,
                  sum(CASE WHEN i > 0 THEN q ELSE 0 END) AS paganti,
                  sum(CASE WHEN i > 0 THEN i ELSE 0 END) AS importo
           FROM righe GROUP BY k) r ON r.k = p.k
ORDER BY p.k;
)";

void exec(sqlite3* db, const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string e = err ? err : "sqlite3 error";
        sqlite3_free(err);
        throw std::runtime_error(e);
    }
}

void BM_SqliteFloorSummaryOneYear(benchmark::State& state) {
    corvex::bench::enterLinkedFolder("taxa");
    sqlite3* db = nullptr;
    sqlite3_open_v2("Scheda_Cliente.mdb", &db, SQLITE_OPEN_READONLY, nullptr);
    exec(db,
         "ATTACH 'Conto_Cliente.mdb' AS c0; ATTACH 'VociFattura.mdb' AS v0; "
         "ATTACH 'SchedaStoricoClienti.mdb' AS arch; "
         "ATTACH 'ContoStoricoClienti.mdb' AS archc;");
    int rows = 0;
    for (auto _ : state) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, kFloorSql, -1, &st, nullptr) != SQLITE_OK) {
            state.SkipWithError(sqlite3_errmsg(db));
            break;
        }
        rows = 0;
        while (sqlite3_step(st) == SQLITE_ROW) ++rows;
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    state.counters["days"] = rows;
}

BENCHMARK(BM_SummaryOneMonth)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SummaryOneYear)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_GuestsPresentOneMonth)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArrivalsOneMonth)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteFloorSummaryOneYear)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
