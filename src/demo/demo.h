// The demo data folder: a deterministic Italian hotel in the suite's layout.
//
// The hotel's data ends on a fixed day, never on the machine's clock: the
// last day of the data is 31/12/2025 ("today" for the demo hotel). Guests in
// house on that day have Partito "N" and no real departure; every night up to
// and including that day is charged; documents are issued up to that day.
// Departed guests whose real departure is before the size's archive day live
// in the archives (SchedaStoricoClienti.mdb, ContoStoricoClienti.mdb).
//
// The same size and seed give byte-identical files (a private generator, no
// clock, no locale, no std:: distributions).
#pragma once

#include <cstdint>
#include <string>

namespace corvex::demo {

enum class Size { Small, Hotel, Large };

struct Options {
    Size size = Size::Hotel;
    std::uint64_t seed = 1;
};

// The last day of the demo data, dd/mm/yyyy and yyyymmdd.
inline constexpr const char* kUltimoGiorno = "31/12/2025";
inline constexpr const char* kUltimoGiornoSql = "20251231";

// What a size covers, for tests and benchmarks that pick their periods.
struct Profile {
    int rooms;                  // number of rooms
    std::string primoGiorno;    // first day of the data, dd/mm/yyyy
    std::string ultimoGiorno;   // last day of the data (kUltimoGiorno)
    std::string archivioPrima;  // departures before this day are archived
};
Profile profile(Size size);

// Parses "small", "hotel" or "large" (any case); false for anything else.
bool parseSize(const std::string& text, Size& out);

// Writes every suite database (SQLite-format files without indexes, like the
// real ones), IdS.mdb, CorrSetup.txt, Parametri.txt and the print settings
// into dir (created when missing). Refuses, before writing anything, when a
// file it would write already exists in dir (names matched without regard to
// case), so an existing data folder is never overwritten. Throws
// std::runtime_error naming the file on failure; files of a failed run are
// removed.
void generate(const std::string& dir, const Options& options);

}  // namespace corvex::demo
