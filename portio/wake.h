#pragma once

#include "porterror.h"

#include <cstdint>

namespace portio {

// A descriptor or socket as the OS hands it out: an int on POSIX, a SOCKET on
// Windows; both fit, and -1 is the invalid one on both.
using OsHandle = std::intptr_t;
constexpr OsHandle kNoHandle = -1;

// Something a blocked call waits for besides its device: another thread rings
// it to end the wait. A ring stays until drained, so one that comes before
// the wait has begun still ends it. An eventfd on POSIX; on Windows a
// loopback datagram socket, since select() waits only for sockets.
class Wake {
public:
    Wake();
    ~Wake();
    Wake(const Wake&) = delete;
    Wake& operator=(const Wake&) = delete;

    // Why there is no wake-up (ok when there is one).
    const Status& status() const { return m_status; }
    OsHandle handle() const { return m_handle; }
    void ring();
    void drain();

private:
    OsHandle m_handle = kNoHandle;
    Status m_status;
};

} // namespace portio
