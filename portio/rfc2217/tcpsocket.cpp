#include "tcpsocket.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace portio {

namespace {

SocketIo outcome(ssize_t r)
{
    if (r >= 0) return { size_t(r), false, {} };
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return { 0, true, {} };
    return { 0, false, PortError { ErrorCode::DeviceGone, errno, std::strerror(errno) } };
}

} // namespace

SocketIo TcpSocket::send(const void* data, size_t n)
{
    return outcome(::send(int(m_handle), data, n, MSG_NOSIGNAL | MSG_DONTWAIT));
}

SocketIo TcpSocket::receive(void* data, size_t n)
{
    return outcome(::recv(int(m_handle), data, n, 0));
}

Result<WaitOutcome> TcpSocket::wait(Want want, const Wake& wake, std::optional<Clock::duration> limit) const
{
    const short events = want == Want::Read ? POLLIN : POLLOUT;
    pollfd fds[2] = { { int(m_handle), events, 0 }, { int(wake.handle()), POLLIN, 0 } };
    const int rc = ::poll(fds, 2, waitMilliseconds(limit));
    if (rc < 0 && errno == EINTR) return WaitOutcome::TimedOut; // the caller looks again
    if (rc < 0) return errnoError(errno, "waiting for the server (poll)");
    if (fds[1].revents) return WaitOutcome::Released;
    // A read sees what came before a hang-up first; the receive then tells.
    if (want == Want::Write && (fds[0].revents & (POLLHUP | POLLERR))) return WaitOutcome::Gone;
    return rc == 0 ? WaitOutcome::TimedOut : WaitOutcome::Ready;
}

size_t TcpSocket::unsent() const
{
    int out = 0;
    return ::ioctl(int(m_handle), TIOCOUTQ, &out) == 0 && out > 0 ? size_t(out) : 0;
}

void TcpSocket::close()
{
    if (m_handle != kNoHandle) ::close(int(std::exchange(m_handle, kNoHandle)));
}

} // namespace portio
