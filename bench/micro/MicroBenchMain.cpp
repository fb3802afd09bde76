#include <benchmark/benchmark.h>

#include "BenchStore.h"

int main(int argc, char** argv)
{
    // Made before any timing (and outside a profiler's collection window).
    (void)BenchStoreBytes(); // kept for the benchmarks; nothing to check here
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
