#pragma once

#include "bench/support/figure.h"

#include <fstream>
#include <string>
#include <vector>

// quickRun() for code far from main(): looks at the process's own command
// line, which stays as it was started even after argv has been edited.
inline bool quickProcess()
{
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::vector<std::string> args;
    for (std::string arg; std::getline(in, arg, '\0');)
        args.push_back(arg);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    return quickRun(int(argv.size()), argv.data());
}

// The value for this run: the short one with --quick.
template <class T> T fullOrQuick(T full, T quick)
{
    return quickProcess() ? quick : full;
}
