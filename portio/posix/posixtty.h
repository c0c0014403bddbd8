#pragma once

#include "inputqueue.h"
#include "portio/port.h"
#include "portio/portsync.h"
#include "termios2.h"

#include <atomic>
#include <mutex>

namespace portio {

// A Port on an open tty descriptor (UART, USB adapter, pseudo-terminal). The
// descriptor is non-blocking; every wait goes through PortSync so that mask
// changes, purges and close release it.
class PosixTty final : public Port {
public:
    PosixTty(int fd, Access access, OpenPurpose purpose);
    ~PosixTty() override;

    Status setCommMask(uint32_t mask) override;
    Result<uint32_t> getCommMask() override;
    Result<uint32_t> waitCommEvent() override;
    Status setupComm(uint32_t inQueue, uint32_t outQueue) override;
    Status purge(uint32_t flags) override;
    Status setTimeouts(const CommTimeouts& timeouts) override;
    Result<CommTimeouts> getTimeouts() override;
    Result<Dcb> getState() override;
    Status setState(const Dcb& dcb) override;
    Status escape(EscapeFunction function) override;
    Result<ComStat> clearCommError() override;
    Result<uint32_t> modemStatus() override;
    Result<LineCounters> lineCounters() override;
    IoResult read(void* buffer, size_t n) override;
    IoResult write(const void* buffer, size_t n) override;
    IoResult writeNow(const void* buffer, size_t n) override;
    Status transmitChar(uint8_t byte) override;
    void close() override;

private:
    PortError gone();
    PortError closedError() const;
    Result<uint32_t> bytesWaiting() const;
    uint32_t lineErrors();
    CommTimeouts timeouts() const;
    IoResult writeTimedOut(size_t sent, size_t n);
    std::optional<PortError> refusedWrite();
    bool pushBytes(const uint8_t* p, size_t n, size_t& sent, PortError& failure);
    IoResult endRead(size_t have, WaitOutcome outcome);

    const int m_fd;
    const Access m_access;
    const OpenPurpose m_purpose;
    const bool m_uart;
    const bool m_holdsOutput; // false on a pty: nothing to count with TIOCOUTQ
    PortSync m_sync;
    InputQueue m_in;
    std::atomic<bool> m_gone { false };

    mutable std::mutex m_stateMutex;
    uint32_t m_mask = 0;
    CommTimeouts m_timeouts;
    Dcb m_kept; // the fields a tty has no place for, as last set
    bool m_haveCounters = false;
    tty::ErrorCounters m_counters;

    std::mutex m_closeMutex;
    bool m_closed = false;
};

} // namespace portio
