#include "cputime.h"

#include <sys/resource.h>

CpuClock::CpuClock()
{
    restart();
}

void CpuClock::restart()
{
    m_wall = std::chrono::steady_clock::now();
    m_cpu = processCpu();
}

double CpuClock::wallSeconds() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_wall).count();
}

double CpuClock::cpuSeconds() const
{
    return processCpu() - m_cpu;
}

double CpuClock::processCpu()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}
