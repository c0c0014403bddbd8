#include "posixtty.h"
#include "termios2.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace portio {

namespace {

// A blocked write also looks again at this interval: some drivers take
// bytes without ever reporting POLLOUT in between.
constexpr auto kWriteRetry = std::chrono::milliseconds(10);

// An open tty whose device went: EIO once hung up; ENODEV from a USB serial
// driver between the unplug and the hang-up.
bool deviceWent(int err)
{
    return err == EIO || err == ENODEV;
}

bool retryable(int err)
{
    return err == EAGAIN || err == EINTR;
}

PortError aborted(const char* what)
{
    return makeError(ErrorCode::Aborted, what);
}

} // namespace

Result<uint32_t> PosixTty::waitCommEvent()
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    if (m_gone) return gone();
    const auto ticket = m_sync.ticket(WaitEvent);
    {
        std::lock_guard lock(m_stateMutex);
        if (!(m_mask & EV_RXCHAR)) return 0u;
    }
    for (;;) {
        auto waiting = bytesWaiting();
        if (!waiting) return waiting.error().code == ErrorCode::DeviceGone ? gone() : waiting.error();
        if (*waiting > 0) return EV_RXCHAR;
        switch (m_sync.wait(m_fd, POLLIN, WaitEvent, ticket, std::nullopt)) {
        case WaitOutcome::Released:
            if (m_sync.closing()) return closedError();
            return 0u;
        case WaitOutcome::Gone:
            return gone();
        case WaitOutcome::Failed:
            return errnoError(errno, "waiting for an event (poll)");
        default:
            break;
        }
    }
}

IoResult PosixTty::endRead(size_t have, WaitOutcome outcome)
{
    switch (outcome) {
    case WaitOutcome::Released:
        return { have, m_sync.closing() ? closedError() : aborted("the read was aborted") };
    case WaitOutcome::Gone:
        return { have, gone() };
    default:
        return { have, errnoError(errno, "waiting for input (poll)") };
    }
}

IoResult PosixTty::read(void* buffer, size_t n)
{
    CallGuard guard(m_sync);
    if (!guard) return { 0, closedError() };
    if (m_access == Access::Write)
        return { 0, makeError(ErrorCode::AccessDenied, "the port is open for writing only") };
    if (m_gone) return { 0, gone() };
    auto* p = static_cast<uint8_t*>(buffer);
    if (m_in.takeWhole(p, n)) return { n, okStatus() }; // what a reader that asked the count first gets
    const auto ticket = m_sync.ticket(WaitRead);
    const auto start = Clock::now();
    const ReadDeadline deadline(timeouts(), n, start);
    size_t have = 0;
    auto lastByte = start;
    for (;;) {
        const ssize_t r = have < n ? m_in.read(m_fd, p + have, n - have) : 0;
        if (r > 0) {
            have += size_t(r);
            lastByte = Clock::now();
        } else if (have < n && (r == 0 || deviceWent(errno))) {
            return { have, gone() };
        } else if (have < n && !retryable(errno)) {
            return { have, errnoError(errno, "reading") };
        }
        const auto left = deadline.remaining(have, Clock::now(), lastByte);
        if (left && *left <= Clock::duration::zero()) return { have, okStatus() };
        if (r > 0) continue;
        const auto outcome = m_sync.wait(m_fd, POLLIN, WaitRead, ticket, left);
        if (outcome != WaitOutcome::Ready && outcome != WaitOutcome::TimedOut) return endRead(have, outcome);
    }
}

IoResult PosixTty::writeTimedOut(size_t sent, size_t n)
{
    // What the driver has not sent yet goes with the rest of the request and
    // is not counted. A pseudo-terminal reports nothing queued: what it took
    // is the far end's already, and a flush would drop it after all.
    int queued = 0;
    if (::ioctl(m_fd, TIOCOUTQ, &queued) == 0 && queued > 0) {
        // A UART goes on moving its queue into its transmit FIFO between
        // the count and the flush; halted, it moves nothing, and the count
        // is what the flush drops. (Not under XON/XOFF: restarting would
        // override an XOFF the far end sent.)
        const bool halt = !tty::softwareFlowOn(m_fd) && ::tcflow(m_fd, TCOOFF) == 0;
        if (halt && ::ioctl(m_fd, TIOCOUTQ, &queued) != 0) queued = 0;
        (void)::tcflush(m_fd, TCOFLUSH);
        if (halt) (void)::tcflow(m_fd, TCOON);
        sent -= std::min(sent, size_t(queued));
    }
    return { sent,
        makeError(ErrorCode::TimedOut,
            "the write timed out after " + std::to_string(sent) + " of " + std::to_string(n) + " bytes") };
}

std::optional<PortError> PosixTty::refusedWrite()
{
    if (m_access == Access::Read) return makeError(ErrorCode::AccessDenied, "the port is open for reading only");
    if (m_gone) return gone();
    return std::nullopt;
}

// Writes until everything is sent or the driver would block; false (with
// `failure` set) when the device refuses.
bool PosixTty::pushBytes(const uint8_t* p, size_t n, size_t& sent, PortError& failure)
{
    while (sent < n) {
        const ssize_t w = ::write(m_fd, p + sent, n - sent);
        if (w > 0) {
            sent += size_t(w);
            continue;
        }
        if (w < 0 && deviceWent(errno))
            failure = gone();
        else if (w < 0 && !retryable(errno))
            failure = errnoError(errno, "writing");
        return !failure;
    }
    return true;
}

IoResult PosixTty::writeNow(const void* buffer, size_t n)
{
    CallGuard guard(m_sync);
    if (!guard) return { 0, closedError() };
    if (auto refused = refusedWrite()) return { 0, *refused };
    IoResult result;
    pushBytes(static_cast<const uint8_t*>(buffer), n, result.count, result.error);
    return result;
}

IoResult PosixTty::write(const void* buffer, size_t n)
{
    CallGuard guard(m_sync);
    if (!guard) return { 0, closedError() };
    if (auto refused = refusedWrite()) return { 0, *refused };
    const auto ticket = m_sync.ticket(WaitWrite);
    const auto deadline = writeDeadline(timeouts(), n, Clock::now());
    const auto* p = static_cast<const uint8_t*>(buffer);
    size_t sent = 0;
    PortError failure;
    while (pushBytes(p, n, sent, failure) && sent < n) {
        Clock::duration pause = kWriteRetry;
        if (deadline) {
            const auto now = Clock::now();
            if (now >= *deadline) return writeTimedOut(sent, n);
            pause = std::min<Clock::duration>(pause, *deadline - now);
        }
        const auto outcome = m_sync.wait(m_fd, POLLOUT, WaitWrite, ticket, pause);
        if (outcome == WaitOutcome::Released)
            return { sent, m_sync.closing() ? closedError() : aborted("the write was aborted") };
        if (outcome == WaitOutcome::Gone) return { sent, gone() };
    }
    return { sent, failure };
}

} // namespace portio
