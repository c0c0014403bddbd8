#pragma once

#include <benchmark/benchmark.h>

#include <cstring>

// main() of a google-benchmark program that also takes --quick (read through
// quickProcess()); the library refuses options it does not know.
inline int quickBenchmarkMain(int argc, char** argv)
{
    int kept = 0;
    for (int i = 0; i < argc; ++i)
        if (i == 0 || std::strcmp(argv[i], "--quick") != 0) argv[kept++] = argv[i];
    argv[kept] = nullptr;
    benchmark::Initialize(&kept, argv);
    if (benchmark::ReportUnrecognizedArguments(kept, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
