// Shared by the report benchmarks: the large demo data set, made once.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <optional>
#include <set>
#include <string>

#include "reports/interaction.h"
#include "reports/request.h"

namespace corvex::bench {

// The folder of the `large` demo data set (seed 1), generated on first use
// into /tmp/corvex-bench-large and reused by later runs and processes.
std::string largeData();

// Makes the current directory a private folder of this process (named after
// tag) whose files are links to largeData(), so the reports write their own
// report and trace files there; PCLocal is unset (report file fd0). The
// folder is made once per tag and process.
void enterLinkedFolder(const std::string& tag);

// The process's peak resident memory so far, in megabytes.
double peakMegabytes();

// Answers a report's questions without a window: a question by its key from
// answers, else otherAnswer when set, else its default; a confirmation yes
// for the keys in yes, else its default (or no, without confirmDefaults).
class SilentIo : public Interaction {
  public:
    std::map<std::string, std::string> answers;
    std::optional<std::string> otherAnswer;
    std::set<std::string> yes;
    bool confirmDefaults = true;

    std::optional<std::string> ask(const std::string& key, const std::string&, const std::string&,
                                   const std::string& def) override {
        if (const auto it = answers.find(key); it != answers.end()) return it->second;
        return otherAnswer ? *otherAnswer : def;
    }
    bool confirm(const std::string& key, const std::string&, const std::string&,
                 bool def) override {
        return yes.count(key) != 0 || (confirmDefaults && def);
    }
    void warn(const std::string&, const std::string&) override {}
    void showPrintMenu() override {}
};

using Routine = ReportResult (*)(const ReportRequest&, Interaction&);

// Times report over dal..al in the linked folder tag, answering through io;
// one untimed run first builds the engine's cache copies. Labels the run
// with its period and records the peak memory as "peak_MB".
void timeReport(benchmark::State& state, const std::string& tag, Routine report, const char* dal,
                const char* al, Interaction& io);

}  // namespace corvex::bench
