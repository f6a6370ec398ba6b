// Shared by the report benchmarks: the large demo data set, made once.
#pragma once

#include <benchmark/benchmark.h>

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

using Routine = ReportResult (*)(const ReportRequest&, Interaction&);

// Times report over dal..al in the linked folder tag, answering through io;
// one untimed run first builds the engine's cache copies. Labels the run
// with its period and records the peak memory as "peak_MB".
void timeReport(benchmark::State& state, const std::string& tag, Routine report, const char* dal,
                const char* al, Interaction& io);

}  // namespace corvex::bench
