#include "portsync.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace portio {

namespace {

int pollTimeout(std::optional<Clock::duration> limit)
{
    if (!limit) return -1;
    // Round up so that a wait never ends just before its deadline.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(*limit).count();
    return ms <= 0 ? 0 : ms > INT_MAX ? INT_MAX : int(ms);
}

void drain(int fd)
{
    uint64_t v;
    (void)::read(fd, &v, sizeof v);
}

void ring(PortSync::Waiter& w)
{
    const uint64_t one = 1;
    (void)::write(w.fd, &one, sizeof one);
    w.rung = true;
}

WaitOutcome judge(const pollfd& device, const pollfd& wake)
{
    if (wake.revents & POLLIN) return WaitOutcome::Released;
    if (device.revents & (POLLHUP | POLLERR | POLLNVAL)) return WaitOutcome::Gone;
    return device.revents ? WaitOutcome::Ready : WaitOutcome::TimedOut;
}

} // namespace

PortSync::~PortSync()
{
    for (int fd : m_spareFds)
        ::close(fd);
}

bool PortSync::enter()
{
    std::lock_guard lock(m_mutex);
    if (m_closing) return false;
    ++m_inFlight;
    return true;
}

void PortSync::leave()
{
    std::lock_guard lock(m_mutex);
    if (--m_inFlight == 0) m_left.notify_all();
}

bool PortSync::closing() const
{
    std::lock_guard lock(m_mutex);
    return m_closing;
}

PortSync::Ticket PortSync::ticket(WaitKind kind) const
{
    std::lock_guard lock(m_mutex);
    return m_releases[slot(kind)];
}

int PortSync::slot(unsigned kind)
{
    return kind == WaitRead ? 0 : kind == WaitWrite ? 1 : 2;
}

WaitOutcome PortSync::wait(
    int deviceFd, short events, WaitKind kind, Ticket ticket, std::optional<Clock::duration> limit)
{
    Waiter w;
    w.kind = kind;
    if (const auto refused = addWaiter(w, ticket); refused != WaitOutcome::Ready) return refused;
    pollfd fds[2] = { { deviceFd, events, 0 }, { w.fd, POLLIN, 0 } };
    int rc;
    do
        rc = ::poll(fds, 2, pollTimeout(limit));
    while (rc < 0 && errno == EINTR);
    removeWaiter(w);
    return rc < 0 ? WaitOutcome::Failed : judge(fds[0], fds[1]);
}

void PortSync::release(unsigned kinds)
{
    std::lock_guard lock(m_mutex);
    for (unsigned kind : { WaitRead, WaitWrite, WaitEvent })
        if (kinds & kind) ++m_releases[slot(kind)];
    for (Waiter* w : m_waiters)
        if (w->kind & kinds) ring(*w);
}

void PortSync::closeAndDrain()
{
    std::unique_lock lock(m_mutex);
    m_closing = true;
    for (Waiter* w : m_waiters)
        ring(*w);
    m_left.wait(lock, [this] { return m_inFlight == 0; });
}

WaitOutcome PortSync::addWaiter(Waiter& w, Ticket ticket)
{
    std::lock_guard lock(m_mutex);
    if (m_closing || m_releases[slot(w.kind)] != ticket) return WaitOutcome::Released;
    w.fd = takeEventFd();
    if (w.fd < 0) return WaitOutcome::Failed;
    m_waiters.push_back(&w);
    return WaitOutcome::Ready;
}

void PortSync::removeWaiter(Waiter& w)
{
    std::lock_guard lock(m_mutex);
    std::erase(m_waiters, &w);
    if (w.rung) drain(w.fd);
    m_spareFds.push_back(w.fd);
}

int PortSync::takeEventFd()
{
    if (m_spareFds.empty()) return ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    const int fd = m_spareFds.back();
    m_spareFds.pop_back();
    return fd;
}

} // namespace portio
