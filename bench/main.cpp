// The one entry point of corvex_bench; the benchmarks live in the other files.
#include <benchmark/benchmark.h>

#include "common/allocator.h"

int main(int argc, char** argv) {
    // As the program itself runs.
    corvex::keepFreedMemoryForReuse();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
