// What the POSIX and the Winsock socket share.
#include "tcpsocket.h"

#include <utility>

namespace portio {

TcpSocket::TcpSocket(OsHandle handle)
    : m_handle(handle)
{
}

TcpSocket::TcpSocket(TcpSocket&& other) noexcept
    : m_handle(std::exchange(other.m_handle, kNoHandle))
{
}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept
{
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, kNoHandle);
    }
    return *this;
}

TcpSocket::~TcpSocket()
{
    close();
}

std::string hostAndPort(const std::string& host, uint16_t port)
{
    return host + ":" + std::to_string(port);
}

PortError connectError(ConnectEnd end, PortError os, const std::string& at)
{
    switch (end) {
    case ConnectEnd::TimedOut:
        return PortError { ErrorCode::TimedOut, os.osErrno, "no answer from " + at + " in time" };
    case ConnectEnd::Refused:
        return PortError { ErrorCode::NotFound, os.osErrno,
            "nothing accepts connections at " + at + " (connection refused)" };
    case ConnectEnd::Interrupted:
        return PortError { ErrorCode::Aborted, os.osErrno, "connecting to " + at + " was interrupted" };
    case ConnectEnd::Failed:
        break;
    }
    return os;
}

} // namespace portio
