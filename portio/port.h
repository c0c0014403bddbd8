#pragma once

#include "commtypes.h"
#include "linecounters.h"
#include "porterror.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace portio {

enum class Access : uint8_t {
    Read = 1,
    Write = 2,
    ReadWrite = 3,
};

// Why a port is opened: for I/O (the port is put into raw mode), or only to
// see whether it can be opened (nothing on the port may change).
enum class OpenPurpose : uint8_t {
    Io,
    Probe,
};

// Outcome of a read or write: the bytes moved, and the error that ended the
// transfer early, if any. A read that a time-out ends is not an error (as on
// the original platform); a write that a time-out ends reports TimedOut with
// the count of bytes that went out, and the rest is dropped.
struct IoResult {
    size_t count = 0;
    PortError error;
    bool ok() const { return error.ok(); }
};

// One open serial port. Every operation may be called from any thread; a read,
// a write and an event wait may be pending at the same time in three threads
// while a fourth changes the mask, purges or closes.
//
// Releasing rules a caller can rely on:
// - setCommMask() releases a thread blocked in waitCommEvent(), which then
//   returns an empty event set (0).
// - purge() with PURGE_RXABORT ends a pending read, PURGE_TXABORT a pending
//   write; each returns what it had moved, with ErrorCode::Aborted.
// - close() ends every pending call (Aborted), waits until they have left the
//   port, and then releases the device; later calls fail with Aborted.
// - When the device goes away, pending and later calls fail with DeviceGone;
//   nothing spins.
class Port {
public:
    virtual ~Port() = default;
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    virtual Status setCommMask(uint32_t mask) = 0;
    virtual Result<uint32_t> getCommMask() = 0;
    // Blocks until an event of the mask holds (EV_RXCHAR: bytes are waiting in
    // the input queue; level-triggered, so nothing is missed between waits).
    // Returns the events that hold, or 0 when the mask was changed meanwhile.
    virtual Result<uint32_t> waitCommEvent() = 0;

    virtual Status setupComm(uint32_t inQueue, uint32_t outQueue) = 0;
    virtual Status purge(uint32_t flags) = 0;
    virtual Status setTimeouts(const CommTimeouts& timeouts) = 0;
    virtual Result<CommTimeouts> getTimeouts() = 0;
    virtual Result<Dcb> getState() = 0;
    // Refuses settings the device cannot carry out (InvalidArgument), and a
    // baud rate that does not read back as set.
    virtual Status setState(const Dcb& dcb) = 0;
    virtual Status escape(EscapeFunction function) = 0;
    // Line errors since the last call (and clears them), bytes waiting.
    virtual Result<ComStat> clearCommError() = 0;
    virtual Result<uint32_t> modemStatus() = 0;
    // How long a change of the input modem lines may take to show in
    // modemStatus(): nothing on a local device; a remote server reports the
    // lines only when it next looks at them.
    virtual std::chrono::milliseconds modemStatusDelay() const;
    // The driver's line-error totals; NotSupported where the device keeps
    // none (a pseudo-terminal), so that "no errors" is never made up.
    virtual Result<LineCounters> lineCounters();

    // Reads up to n bytes under the port's time-outs.
    virtual IoResult read(void* buffer, size_t n) = 0;
    // Writes n bytes under the port's write time-outs.
    virtual IoResult write(const void* buffer, size_t n) = 0;
    // Writes what the device takes at once, without waiting; the rest is left
    // for write(). A backend that cannot tell takes nothing (count 0, no error).
    virtual IoResult writeNow(const void* buffer, size_t n);
    // Sends one byte ahead of what waits in the output queue.
    virtual Status transmitChar(uint8_t byte) = 0;

    // A device-control request. The four published modem-line codes are
    // carried out through escape(); every other code goes to the backend's
    // driver, which answers NotSupported unless it knows the code.
    Status deviceControl(
        uint32_t code, const void* in, size_t inLen, void* out, size_t outLen, uint32_t* bytesReturned = nullptr);

    virtual void close() = 0;

protected:
    Port() = default;
    virtual Status driverControl(
        uint32_t code, const void* in, size_t inLen, void* out, size_t outLen, uint32_t* bytesReturned);
};

using PortPtr = std::unique_ptr<Port>;

} // namespace portio
