#include "bench_support.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "demo/demo.h"

namespace fs = std::filesystem;

namespace corvex::bench {

std::string largeData() {
    const fs::path cache = "/tmp/corvex-bench-large";
    if (!fs::exists(cache / "Scheda_Cliente.mdb")) {
        // Built under a private name and renamed, so two benchmark processes
        // never see a half-written data set.
        const fs::path tmp = cache.string() + ".tmp." + std::to_string(::getpid());
        demo::generate(tmp.string(), {demo::Size::Large, 1});
        std::error_code ec;
        fs::rename(tmp, cache, ec);
        if (ec) fs::remove_all(tmp);  // another process made it first
    }
    return cache.string();
}

}  // namespace corvex::bench
