#pragma once

#include "bench/support/figure.h"

#include <cstdio>
#include <cstdlib>

// main() of a benchmark that prints board figures and then pty figures, each
// measured for the seconds given as the only argument (default 3; --quick: 0.5).
inline int runFigures(int argc, char** argv, void (*board)(double), void (*pty)(double))
{
    const bool quick = quickRun(argc, argv);
    const double seconds = quick ? 0.5 : argc > 1 ? std::atof(argv[1]) : 3.0;
    if (seconds <= 0) {
        std::fprintf(stderr, "usage: %s [seconds per measurement | --quick]\n", argv[0]);
        return 2;
    }
    board(seconds);
    pty(seconds);
    return 0;
}
