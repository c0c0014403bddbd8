#include "tcpconnect.h"

#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace portio {

namespace {

std::string where(const std::string& host, uint16_t port)
{
    return host + ":" + std::to_string(port);
}

int msUntil(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

// Waits for the connect in progress; 0 or the errno that ended it.
int awaitConnect(int fd, Clock::time_point deadline)
{
    pollfd p { fd, POLLOUT, 0 };
    int rc;
    do
        rc = ::poll(&p, 1, msUntil(deadline));
    while (rc < 0 && errno == EINTR);
    if (rc < 0) return errno;
    if (rc == 0) return ETIMEDOUT;
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return errno;
    return err;
}

int tryAddress(const addrinfo& a, Clock::time_point deadline, int& fd)
{
    fd = ::socket(a.ai_family, a.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a.ai_protocol);
    if (fd < 0) return errno;
    int err = ::connect(fd, a.ai_addr, a.ai_addrlen) == 0 ? 0 : errno;
    if (err == EINPROGRESS) err = awaitConnect(fd, deadline);
    if (err != 0) {
        ::close(fd);
        fd = -1;
    }
    return err;
}

PortError connectError(int err, const std::string& at)
{
    if (err == ETIMEDOUT) return PortError { ErrorCode::TimedOut, err, "no answer from " + at + " in time" };
    if (err == ECONNREFUSED)
        return PortError { ErrorCode::NotFound, err, "nothing accepts connections at " + at + " (connection refused)" };
    return errnoError(err, "connecting to " + at);
}

void tune(int fd)
{
    // Small keystrokes go out at once; a short send queue keeps write
    // time-outs meaningful instead of burying bytes in a large buffer.
    const int one = 1;
    const int sendBuffer = 16 * 1024;
    (void)::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    (void)::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
}

} // namespace

Result<int> connectTcp(const std::string& host, uint16_t port, Clock::time_point deadline)
{
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* list = nullptr;
    const std::string service = std::to_string(port);
    if (const int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &list); rc != 0)
        return makeError(ErrorCode::NotFound, "cannot find the host " + host + ": " + ::gai_strerror(rc));
    int err = EHOSTUNREACH;
    int fd = -1;
    for (const addrinfo* a = list; a && fd < 0; a = a->ai_next)
        err = tryAddress(*a, deadline, fd);
    ::freeaddrinfo(list);
    if (fd < 0) return connectError(err, where(host, port));
    tune(fd);
    return fd;
}

} // namespace portio
