#pragma once

#include "portio/porterror.h"
#include "portio/portsync.h"
#include "portio/timeouts.h"
#include "portio/wake.h"

#include <cstdint>
#include <string>

namespace portio {

// What one non-blocking send or receive did. A receive of 0 bytes that
// neither would block nor failed means the far end closed the connection.
struct SocketIo {
    size_t count = 0;
    bool wouldBlock = false;
    PortError error; // the OS's words alone; the caller says which connection
};

// A connected TCP socket in non-blocking mode, with the platform's calls on
// it: POSIX sockets and poll() (tcpsocket.cpp, tcpconnect.cpp) or Winsock
// and select() (the _win32 files).
class TcpSocket {
public:
    enum class Want { Read, Write };

    // Connects to host:port, or says why not (name unknown, refused, no
    // answer before the deadline); a ring of `abort` ends the attempt
    // at once, as Aborted.
    static Result<TcpSocket> connect(
        const std::string& host, uint16_t port, Clock::time_point deadline, const Wake* abort = nullptr);

    TcpSocket() = default;
    explicit TcpSocket(OsHandle handle);
    TcpSocket(TcpSocket&& other) noexcept;
    TcpSocket& operator=(TcpSocket&& other) noexcept;
    ~TcpSocket();

    SocketIo send(const void* data, size_t n);
    SocketIo receive(void* data, size_t n);
    // Until the socket can do what is wanted (or has failed: Gone), `wake`
    // rings (Released) or the limit has passed (nullopt: none).
    Result<WaitOutcome> wait(Want want, const Wake& wake, std::optional<Clock::duration> limit) const;
    // Bytes the OS holds that the far end has not taken yet, where the OS
    // can tell (0 where it cannot).
    size_t unsent() const;
    void close();

private:
    OsHandle m_handle = kNoHandle;
};

// For the platform's connect: how a connect to `at` ("host:port") ended, and
// what the OS said (used as it is when none of the named ends).
enum class ConnectEnd { TimedOut, Refused, Interrupted, Failed };
std::string hostAndPort(const std::string& host, uint16_t port);
PortError connectError(ConnectEnd end, PortError os, const std::string& at);

} // namespace portio
