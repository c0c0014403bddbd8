#pragma once

#include "portio/port.h"
#include "win32sync.h"

#include <atomic>
#include <mutex>
#include <string>

namespace portio {

// Opens a Windows communications device ("\\.\COM5") exclusively and
// overlapped as a Port.
Result<PortPtr> openWin32Port(const std::string& devicePath, Access access, OpenPurpose purpose);

// A Port on a handle from CreateFileA. The driver's own time-outs stay at
// "wait for every byte" and the read and write limits are kept here, by the
// rules every backend shares; each blocking request is overlapped, so that
// mask changes, purges and close cancel it (CancelIoEx) on any driver.
class Win32Port final : public Port {
public:
    // Takes over the device handle and the lock that keeps other opens out.
    Win32Port(HANDLE handle, HANDLE lock, Access access);
    ~Win32Port() override;

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
    Status transmitChar(uint8_t byte) override;
    void close() override;

protected:
    Status driverControl(
        uint32_t code, const void* in, size_t inLen, void* out, size_t outLen, uint32_t* bytesReturned) override;

private:
    enum class Ending { Done, TimedOut, Released, Failed };
    struct Outcome {
        DWORD count = 0;
        Ending ending = Ending::Done;
        DWORD error = 0;
    };
    Outcome run(OverlappedCall& call, WaitKind kind, Win32Sync::Ticket ticket, std::optional<Clock::duration> limit,
        const std::function<BOOL(OVERLAPPED*)>& request);
    bool waitEnd(OverlappedCall& call, std::optional<Clock::duration> limit);
    Outcome readSome(uint8_t* p, DWORD n, Win32Sync::Ticket ticket, std::optional<Clock::duration> limit);
    std::optional<Result<uint32_t>> driverWait(uint32_t mask, Win32Sync::Ticket ticket);
    Result<uint32_t> pollWait(uint32_t mask, Win32Sync::Ticket ticket);
    PortError failure(const Outcome& o, const char* what);
    PortError gone(const std::string& why = {});
    PortError closedError() const;
    Result<COMSTAT> comStatus();
    void noteErrors(DWORD errors);
    CommTimeouts timeouts() const;

    const HANDLE m_handle;
    const HANDLE m_lock;
    const Access m_access;
    Win32Sync m_sync;
    std::atomic<bool> m_gone { false };
    std::atomic<bool> m_pollEvents { false }; // the driver's WaitCommEvent cannot run

    mutable std::mutex m_stateMutex;
    uint32_t m_mask = 0;
    CommTimeouts m_timeouts;
    DWORD m_pendingErrors = 0; // seen by a look at the status, not yet reported
    LineCounters m_counters;

    std::mutex m_closeMutex;
    bool m_closed = false;
};

} // namespace portio
