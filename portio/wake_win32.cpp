#include "wake.h"

#include "winsock.h"

#include <winsock2.h>

namespace portio {

namespace {

// A datagram socket bound to 127.0.0.1 and connected to itself: a ring is
// a datagram to itself, which makes the socket readable for select().
Result<SOCKET> loopbackSocket()
{
    if (const Status& started = startWinsock(); !started.ok()) return started;
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) return lastSocketError("making a wake-up socket");
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof a;
    u_long nonBlocking = 1;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0
        || ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0
        || ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0
        || ::ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
        PortError e = lastSocketError("making a wake-up socket");
        ::closesocket(s);
        return e;
    }
    return s;
}

} // namespace

Wake::Wake()
{
    auto s = loopbackSocket();
    if (s)
        m_handle = OsHandle(*s);
    else
        m_status = s.error();
}

Wake::~Wake()
{
    if (m_handle != kNoHandle) ::closesocket(SOCKET(m_handle));
}

void Wake::ring()
{
    const char one = 1;
    (void)::send(SOCKET(m_handle), &one, 1, 0);
}

void Wake::drain()
{
    char buffer[64];
    while (::recv(SOCKET(m_handle), buffer, sizeof buffer, 0) > 0) { }
}

} // namespace portio
