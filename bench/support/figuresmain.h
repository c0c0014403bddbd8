#pragma once

#include <cstdio>
#include <cstdlib>

// main() of a benchmark that prints board figures and then pty figures, each
// measured for the seconds given as the only argument (default 3).
inline int runFigures(int argc, char** argv, void (*board)(double), void (*pty)(double))
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    if (seconds <= 0) {
        std::fprintf(stderr, "usage: %s [seconds per measurement]\n", argv[0]);
        return 2;
    }
    board(seconds);
    pty(seconds);
    return 0;
}
