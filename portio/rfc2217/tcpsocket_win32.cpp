#include "tcpsocket.h"

#include "portio/systemtext.h"
#include "portio/winsock.h"

#include <climits>
#include <winsock2.h>

namespace portio {

namespace {

SocketIo outcome(int r)
{
    if (r != SOCKET_ERROR) return { size_t(r), false, {} };
    const int err = WSAGetLastError();
    if (err == WSAEWOULDBLOCK || err == WSAEINTR) return { 0, true, {} };
    return { 0, false, PortError { ErrorCode::DeviceGone, err, systemText(unsigned(err)) } };
}

int chunk(size_t n)
{
    return n > size_t(INT_MAX) ? INT_MAX : int(n);
}

} // namespace

SocketIo TcpSocket::send(const void* data, size_t n)
{
    return outcome(::send(SOCKET(m_handle), static_cast<const char*>(data), chunk(n), 0));
}

SocketIo TcpSocket::receive(void* data, size_t n)
{
    return outcome(::recv(SOCKET(m_handle), static_cast<char*>(data), chunk(n), 0));
}

// select() rather than WSAEventSelect: the receiver and a writer wait on the
// same socket at once, and a socket has only one event object.
Result<WaitOutcome> TcpSocket::wait(Want want, const Wake& wake, std::optional<Clock::duration> limit) const
{
    const SOCKET s = SOCKET(m_handle);
    fd_set readable, writable, failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, want == Want::Read ? &readable : &writable);
    FD_SET(SOCKET(wake.handle()), &readable);
    FD_SET(s, &failed);
    const int ms = waitMilliseconds(limit);
    timeval tv { ms / 1000, (ms % 1000) * 1000 };
    const int rc = ::select(0, &readable, &writable, &failed, ms < 0 ? nullptr : &tv);
    if (rc == SOCKET_ERROR) return lastSocketError("waiting for the server (select)");
    if (FD_ISSET(SOCKET(wake.handle()), &readable)) return WaitOutcome::Released;
    if (want == Want::Write && FD_ISSET(s, &failed)) return WaitOutcome::Gone;
    return rc == 0 ? WaitOutcome::TimedOut : WaitOutcome::Ready;
}

// Winsock cannot say how much of its send buffer the far end has not taken;
// the link counts what it has not handed over itself.
size_t TcpSocket::unsent() const
{
    return 0;
}

void TcpSocket::close()
{
    if (m_handle != kNoHandle) ::closesocket(SOCKET(std::exchange(m_handle, kNoHandle)));
}

} // namespace portio
