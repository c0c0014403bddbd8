#include "lineengine.h"

#include <pthread.h>

namespace vboard {

LineEngine::LineEngine(std::shared_ptr<BoardCore> core)
    : m_core(std::move(core))
    , m_thread([this] { run(); })
{
    if (pthread_getcpuclockid(m_thread.native_handle(), &m_clock) != 0) m_clock = CLOCK_THREAD_CPUTIME_ID;
}

LineEngine::~LineEngine()
{
    {
        std::lock_guard lock(m_core->mutex());
        m_core->requestStop();
    }
    m_thread.join();
}

void LineEngine::run()
{
    std::unique_lock lock(m_core->mutex());
    while (!m_core->stopping())
        m_core->sleepUntilDue(lock, m_core->pump(portio::Clock::now()));
}

std::chrono::nanoseconds LineEngine::cpuTime() const
{
    timespec ts {};
    clock_gettime(m_clock, &ts);
    return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
}

} // namespace vboard
