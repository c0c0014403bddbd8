#pragma once

#include <chrono>

// Wall-clock and process CPU time between two points, for "CPU seconds per
// second of run".
class CpuClock {
public:
    CpuClock();
    void restart();
    double wallSeconds() const;
    double cpuSeconds() const;

private:
    static double processCpu();

    std::chrono::steady_clock::time_point m_wall;
    double m_cpu = 0;
};
