#include "bench_support.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
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

void enterLinkedFolder(const std::string& tag) {
    static std::map<std::string, fs::path> made;
    auto it = made.find(tag);
    if (it == made.end()) {
        const fs::path dir =
            "/tmp/corvex-bench-" + tag + "." + std::to_string(static_cast<long>(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        for (const auto& e : fs::directory_iterator(largeData())) {
            fs::create_symlink(fs::absolute(e.path()), dir / e.path().filename());
        }
        it = made.emplace(tag, dir).first;
    }
    fs::current_path(it->second);
    ::unsetenv("PCLocal");
}

double peakMegabytes() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

void timeReport(benchmark::State& state, const std::string& tag, Routine report, const char* dal,
                const char* al, Interaction& io) {
    enterLinkedFolder(tag);
    ReportRequest r;
    r.dal = dal;
    r.al = al;
    report(r, io);  // warm cache
    for (auto _ : state) report(r, io);
    state.SetLabel(r.dal + " - " + r.al);
    state.counters["peak_MB"] = peakMegabytes();
}

}  // namespace corvex::bench
