#include "winsock.h"

#include "systemtext.h"

#include <winsock2.h>

namespace portio {

namespace {

ErrorCode codeOf(int err)
{
    switch (err) {
    case 0:
        return ErrorCode::None;
    case WSAHOST_NOT_FOUND:
    case WSANO_DATA:
    case WSAECONNREFUSED:
        return ErrorCode::NotFound;
    case WSAEADDRINUSE:
        return ErrorCode::Busy;
    case WSAEACCES:
        return ErrorCode::AccessDenied;
    case WSAEAFNOSUPPORT:
    case WSAEPROTONOSUPPORT:
    case WSAEOPNOTSUPP:
        return ErrorCode::NotSupported;
    case WSAETIMEDOUT:
        return ErrorCode::TimedOut;
    case WSAECONNRESET:
    case WSAECONNABORTED:
    case WSAENETRESET:
    case WSAENOTCONN:
    case WSAESHUTDOWN:
    case WSAEHOSTUNREACH:
    case WSAENETUNREACH:
    case WSAENETDOWN:
        return ErrorCode::DeviceGone;
    case WSAEINVAL:
    case WSAEFAULT:
        return ErrorCode::InvalidArgument;
    case WSAEINTR:
        return ErrorCode::Aborted;
    default:
        return ErrorCode::OsFailure;
    }
}

Status start()
{
    WSADATA data;
    const int rc = WSAStartup(MAKEWORD(2, 2), &data);
    return rc == 0 ? okStatus() : socketError(rc, "starting Winsock (WSAStartup)");
}

} // namespace

const Status& startWinsock()
{
    // Once for the process, and never undone: sockets may live until exit.
    static const Status started = start();
    return started;
}

PortError socketError(int err, const std::string& what)
{
    return PortError { codeOf(err), err, what + ": " + systemText(unsigned(err)) };
}

PortError lastSocketError(const std::string& what)
{
    return socketError(WSAGetLastError(), what);
}

} // namespace portio
