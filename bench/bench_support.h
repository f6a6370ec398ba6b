// Shared by the report benchmarks: the large demo data set, made once.
#pragma once

#include <string>

namespace corvex::bench {

// The folder of the `large` demo data set (seed 1), generated on first use
// into /tmp/corvex-bench-large and reused by later runs and processes.
std::string largeData();

}  // namespace corvex::bench
