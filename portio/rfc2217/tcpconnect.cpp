#include "tcpsocket.h"

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

// Waits for the connect in progress; 0 or the errno that ended it.
int awaitConnect(int fd, Clock::time_point deadline, const Wake* abort)
{
    pollfd p[2] = { { fd, POLLOUT, 0 }, { abort ? int(abort->handle()) : -1, POLLIN, 0 } };
    int rc;
    do
        rc = ::poll(p, 2, waitMilliseconds(deadline - Clock::now()));
    while (rc < 0 && errno == EINTR);
    if (rc < 0) return errno;
    if (p[1].revents) return ECANCELED;
    if (rc == 0) return ETIMEDOUT;
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return errno;
    return err;
}

int tryAddress(const addrinfo& a, Clock::time_point deadline, const Wake* abort, int& fd)
{
    fd = ::socket(a.ai_family, a.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a.ai_protocol);
    if (fd < 0) return errno;
    int err = ::connect(fd, a.ai_addr, a.ai_addrlen) == 0 ? 0 : errno;
    if (err == EINPROGRESS) err = awaitConnect(fd, deadline, abort);
    if (err != 0) {
        ::close(fd);
        fd = -1;
    }
    return err;
}

PortError connectFailure(int err, const std::string& host, uint16_t port)
{
    const std::string at = hostAndPort(host, port);
    const ConnectEnd end = err == ETIMEDOUT ? ConnectEnd::TimedOut
        : err == ECONNREFUSED               ? ConnectEnd::Refused
        : err == ECANCELED                  ? ConnectEnd::Interrupted
                                            : ConnectEnd::Failed;
    return connectError(end, errnoError(err, "connecting to " + at), at);
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

Result<TcpSocket> TcpSocket::connect(
    const std::string& host, uint16_t port, Clock::time_point deadline, const Wake* abort)
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
    for (const addrinfo* a = list; a && fd < 0 && err != ECANCELED; a = a->ai_next)
        err = tryAddress(*a, deadline, abort, fd);
    ::freeaddrinfo(list);
    if (fd < 0) return connectFailure(err, host, port);
    tune(fd);
    return TcpSocket(fd);
}

} // namespace portio
