// The demo data folder: a deterministic Italian hotel in the suite's layout.
#pragma once

#include <cstdint>
#include <string>

namespace corvex::demo {

enum class Size { Small, Hotel, Large };

struct Options {
    Size size = Size::Hotel;
    std::uint64_t seed = 1;
};

// Writes every suite database (SQLite-format files without indexes, like the
// real ones), IdS.mdb, CorrSetup.txt, Parametri.txt and the print settings
// into dir (created when missing). Throws std::runtime_error on failure.
void generate(const std::string& dir, const Options& options);

}  // namespace corvex::demo
