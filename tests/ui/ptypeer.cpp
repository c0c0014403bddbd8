#include "ptypeer.h"

#include "tests/console/uiwait.h"

#include <poll.h>

namespace {
constexpr int PollMs = 20;
}

PtyPeer::PtyPeer()
    : m_reader([this] { readLoop(); })
{
}

PtyPeer::~PtyPeer()
{
    m_stop = true;
    m_reader.join();
}

void PtyPeer::readLoop()
{
    while (!m_stop) {
        pollfd p { m_pty.masterFd(), POLLIN, 0 };
        if (::poll(&p, 1, PollMs) <= 0) continue;
        const std::string bytes = m_pty.readAvailable();
        const std::lock_guard lock(m_mutex);
        m_received += bytes;
    }
}

size_t PtyPeer::pending() const
{
    const std::lock_guard lock(m_mutex);
    return m_received.size();
}

std::string PtyPeer::take(size_t n, std::chrono::milliseconds limit)
{
    uiWaitFor([&] { return pending() >= n; }, limit);
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_received, {});
}
