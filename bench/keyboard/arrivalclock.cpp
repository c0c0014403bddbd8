#include "arrivalclock.h"

#include <poll.h>
#include <unistd.h>

ArrivalClock::ArrivalClock(int fd)
    : m_fd(fd)
    , m_reader([this] { run(); })
{
}

ArrivalClock::~ArrivalClock()
{
    m_running = false;
    m_reader.join();
}

std::optional<ArrivalClock::Clock::time_point> ArrivalClock::awaitTotal(uint64_t total)
{
    std::unique_lock lock(m_mutex);
    if (!m_arrived.wait_for(lock, std::chrono::seconds(5), [&] { return m_bytes >= total; })) return std::nullopt;
    if (m_bytes != total) return std::nullopt;
    return m_last;
}

void ArrivalClock::run()
{
    char buffer[256];
    while (m_running) {
        pollfd p { m_fd, POLLIN, 0 };
        if (::poll(&p, 1, 50) != 1) continue; // also looks at m_running now and then
        const auto at = Clock::now(); // before the read: its own cost is not the line's
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n <= 0) continue;
        {
            std::lock_guard lock(m_mutex);
            m_bytes += uint64_t(n);
            m_last = at;
        }
        m_arrived.notify_all();
    }
}
