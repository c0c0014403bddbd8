#include "tcpsocket.h"

#include "portio/systemtext.h"
#include "portio/winsock.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace portio {

namespace {

int lastError()
{
    return WSAGetLastError();
}

// Waits for the connect in progress; 0 or the Winsock error that ended it.
int awaitConnect(SOCKET s, Clock::time_point deadline, const Wake* abort)
{
    fd_set readable, writable, failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    if (abort) FD_SET(SOCKET(abort->handle()), &readable);
    const int ms = waitMilliseconds(deadline - Clock::now());
    timeval tv { ms / 1000, (ms % 1000) * 1000 };
    const int rc = ::select(0, &readable, &writable, &failed, &tv);
    if (rc == SOCKET_ERROR) return lastError();
    if (abort && FD_ISSET(SOCKET(abort->handle()), &readable)) return WSAEINTR;
    if (rc == 0) return WSAETIMEDOUT;
    int err = 0;
    int len = sizeof err;
    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len) != 0) return lastError();
    return err;
}

int tryAddress(const addrinfo& a, Clock::time_point deadline, const Wake* abort, SOCKET& s)
{
    s = ::socket(a.ai_family, a.ai_socktype, a.ai_protocol);
    if (s == INVALID_SOCKET) return lastError();
    u_long nonBlocking = 1;
    int err = ::ioctlsocket(s, FIONBIO, &nonBlocking) == 0 ? 0 : lastError();
    if (err == 0) err = ::connect(s, a.ai_addr, int(a.ai_addrlen)) == 0 ? 0 : lastError();
    if (err == WSAEWOULDBLOCK) err = awaitConnect(s, deadline, abort);
    if (err != 0) {
        ::closesocket(s);
        s = INVALID_SOCKET;
    }
    return err;
}

PortError connectFailure(int err, const std::string& host, uint16_t port)
{
    const std::string at = hostAndPort(host, port);
    const ConnectEnd end = err == WSAETIMEDOUT ? ConnectEnd::TimedOut
        : err == WSAECONNREFUSED               ? ConnectEnd::Refused
        : err == WSAEINTR                      ? ConnectEnd::Interrupted
                                               : ConnectEnd::Failed;
    return connectError(end, socketError(err, "connecting to " + at), at);
}

void tune(SOCKET s)
{
    // Small keystrokes go out at once; a short send queue keeps write
    // time-outs meaningful instead of burying bytes in a large buffer.
    const BOOL one = TRUE;
    const int sendBuffer = 16 * 1024;
    (void)::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    (void)::setsockopt(s, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&sendBuffer), sizeof sendBuffer);
}

} // namespace

Result<TcpSocket> TcpSocket::connect(
    const std::string& host, uint16_t port, Clock::time_point deadline, const Wake* abort)
{
    if (const Status& started = startWinsock(); !started.ok()) return started;
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* list = nullptr;
    const std::string service = std::to_string(port);
    if (const int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &list); rc != 0)
        return makeError(ErrorCode::NotFound, "cannot find the host " + host + ": " + systemText(unsigned(rc)));
    int err = WSAEHOSTUNREACH;
    SOCKET s = INVALID_SOCKET;
    for (const addrinfo* a = list; a && s == INVALID_SOCKET && err != WSAEINTR; a = a->ai_next)
        err = tryAddress(*a, deadline, abort, s);
    ::freeaddrinfo(list);
    if (s == INVALID_SOCKET) return connectFailure(err, host, port);
    tune(s);
    return TcpSocket(OsHandle(s));
}

} // namespace portio
