// corvex-jetimport SOURCE DEST [PREVIOUS]
//
// Reads the Jet file SOURCE through libmdb and writes its user tables into the
// new SQLite file DEST; given PREVIOUS, an earlier copy of the same file, only
// the pages that changed since are read (jet_import.h). Started by the program, which bounds it in
// time and turns its failures into database errors; on failure it prints one line, the cause, as
// the last line on stderr and exits with status 1 (the file could not be read) or 3 (the copy could
// not be written).
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "data/engine/index_cache.h"
#include "data/jetimport/jet_import.h"

namespace {

// libmdb trusts the sizes it reads from the file; a damaged file must not
// make it take all the machine's memory. (AddressSanitizer reserves huge
// address ranges, so it runs without the limit.)
void limitMemory() {
#if !defined(__SANITIZE_ADDRESS__)
    constexpr rlim_t kLimit = rlim_t{3} << 30;
    rlimit lim{};
    if (getrlimit(RLIMIT_AS, &lim) == 0 &&
        (lim.rlim_cur == RLIM_INFINITY || lim.rlim_cur > kLimit)) {
        lim.rlim_cur = kLimit;
        setrlimit(RLIMIT_AS, &lim);
    }
#endif
}

}  // namespace

int main(int argc, char** argv) {
    // Die with the program that started us rather than linger.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // Values are decoded from their stored form, but libmdb formats some
    // text itself: keep the C locale whatever the environment says.
    std::setlocale(LC_ALL, "C");
    // libmdb reads options from the environment: debug output, index use,
    // skipping memo values, and the output character set. None of those may
    // change the copy.
    unsetenv("MDBOPTS");
    setenv("MDBICONV", "UTF-8", 1);
    limitMemory();

    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: corvex-jetimport SOURCE.mdb DEST.sqlite [PREVIOUS.sqlite]\n");
        return 2;
    }
    // The copy holds guest data: readable by its owner only.
    umask(077);
    corvex::jetimport::ImportStats stats;
    try {
        stats = corvex::jetimport::importJetFile(argv[1], argv[2], argc == 4 ? argv[3] : "");
    } catch (const corvex::jetimport::WriteError& e) {
        std::fprintf(stderr, "\n%s\n", e.what());
        return 3;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "\n%s\n", e.what());
        return 1;
    }
    // The copy is the one the engine reads: indexed here, by this process,
    // so that no second copy is made.
    // A copy updated from an earlier one kept its indexes.
    if (stats.incremental) return 0;
    try {
        corvex::db::indexCopy(argv[2]);
        return 0;
    } catch (const std::exception& e) {
        unlink(argv[2]);
        std::fprintf(stderr, "\n%s\n", e.what());
        return 3;
    }
}
