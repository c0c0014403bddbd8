// PortSync's wait for a POSIX device: poll() on the device and the waiter's eventfd.
#include "portsync.h"

#include <cerrno>
#include <poll.h>

namespace portio {

namespace {

WaitOutcome judge(const pollfd& device, const pollfd& wake)
{
    if (wake.revents & POLLIN) return WaitOutcome::Released;
    if (device.revents & (POLLHUP | POLLERR | POLLNVAL)) return WaitOutcome::Gone;
    return device.revents ? WaitOutcome::Ready : WaitOutcome::TimedOut;
}

} // namespace

WaitOutcome PortSync::wait(
    int deviceFd, short events, WaitKind kind, Ticket ticket, std::optional<Clock::duration> limit)
{
    Waiting waiting(*this, kind, ticket);
    if (waiting.admitted() != WaitOutcome::Ready) return waiting.admitted();
    pollfd fds[2] = { { deviceFd, events, 0 }, { int(waiting.wake().handle()), POLLIN, 0 } };
    int rc;
    do
        rc = ::poll(fds, 2, waitMilliseconds(limit));
    while (rc < 0 && errno == EINTR);
    return rc < 0 ? WaitOutcome::Failed : judge(fds[0], fds[1]);
}

} // namespace portio
