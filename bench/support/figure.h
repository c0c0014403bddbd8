#pragma once
#include <cstdio>
#include <cstring>
// One figure of the targets table in BENCHMARKS.md; bench/run collects these lines.
// target is the figure's target as text, e.g. "<=0.10" or ">=0.3".
inline void printFigure(const char* key, double value, const char* target, bool met)
{
    std::printf("FIGURE %s %.3f %s %s\n", key, value, target, met ? "met" : "NOT met");
    std::fflush(stdout);
}
// True when the benchmark was started with --quick: short runs for a check before submitting.
inline bool quickRun(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--quick") == 0) return true;
    return false;
}
