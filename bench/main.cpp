// The one entry point of corvex_bench; the benchmarks live in the other files.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
