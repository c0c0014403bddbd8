#include "win32port.h"

#include "portio/linesettings.h"
#include "win32dcb.h"
#include "win32error.h"

#include <cctype>

namespace portio {

namespace {

DWORD accessRights(Access access)
{
    switch (access) {
    case Access::Read:
        return GENERIC_READ;
    case Access::Write:
        return GENERIC_WRITE;
    default:
        return GENERIC_READ | GENERIC_WRITE;
    }
}

PortError openError(const std::string& path)
{
    const DWORD err = GetLastError();
    // A COM port that has a handle open elsewhere answers "access denied".
    if (err == ERROR_ACCESS_DENIED || err == ERROR_SHARING_VIOLATION) return win32Error(err, path + " is in use");
    return win32Error(err, path);
}

// Raw: every byte value passes, nothing is replaced or dropped, an error
// does not stop the port; speed and framing stay as they were.
Status makeRaw(HANDLE h, const std::string& path)
{
    DCB d {};
    d.DCBlength = sizeof d;
    if (!GetCommState(h, &d)) return lastWin32Error(path + ": GetCommState");
    d.fBinary = TRUE;
    d.fNull = FALSE;
    d.fErrorChar = FALSE;
    d.fAbortOnError = FALSE;
    if (!SetCommState(h, &d)) return lastWin32Error(path + ": SetCommState");
    COMMTIMEOUTS t {}; // the driver waits for every byte; the limits are ours
    if (!SetCommTimeouts(h, &t)) return lastWin32Error(path + ": SetCommTimeouts");
    if (!SetCommMask(h, 0)) return lastWin32Error(path + ": SetCommMask");
    return okStatus();
}

// DTR/DSR handshake exists in Windows drivers; the other shared refusals hold.
Status checkSettings(const Dcb& dcb)
{
    Dcb common = dcb;
    common.fOutxDsrFlow = false;
    if (common.fDtrControl == DTR_CONTROL_HANDSHAKE) common.fDtrControl = DTR_CONTROL_ENABLE;
    return checkLineSettings(common);
}

uint32_t countFlag(DWORD errors, DWORD flag)
{
    return (errors & flag) ? 1 : 0;
}

// Windows drivers refuse a second open of a COM port; Wine's emulation does
// not, so a named object per device keeps this program's opens (in any
// process of the session) apart as well.
Result<HANDLE> takeLock(const std::string& path)
{
    std::string name = "Local\\vesperline-port-";
    for (char c : path)
        name += (c == '\\') ? '_' : char(std::toupper(static_cast<unsigned char>(c)));
    HANDLE lock = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
    if (!lock) return lastWin32Error(path + ": lock");
    if (GetLastError() != ERROR_ALREADY_EXISTS) return lock;
    CloseHandle(lock);
    return win32Error(ERROR_ACCESS_DENIED, path + " is in use");
}

} // namespace

Result<PortPtr> openWin32Port(const std::string& devicePath, Access access, OpenPurpose purpose)
{
    HANDLE h = CreateFileA(
        devicePath.c_str(), accessRights(access), 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) return openError(devicePath);
    auto lock = takeLock(devicePath);
    if (!lock) {
        CloseHandle(h);
        return lock.error();
    }
    DCB d {};
    d.DCBlength = sizeof d;
    Status e;
    if (!GetCommState(h, &d))
        e = makeError(ErrorCode::InvalidArgument, devicePath + " is not a serial port");
    else if (purpose == OpenPurpose::Io)
        e = makeRaw(h, devicePath);
    if (e) {
        CloseHandle(*lock);
        CloseHandle(h);
        return e;
    }
    return PortPtr(std::make_unique<Win32Port>(h, *lock, access));
}

Win32Port::Win32Port(HANDLE handle, HANDLE lock, Access access)
    : m_handle(handle)
    , m_lock(lock)
    , m_access(access)
{
}

Win32Port::~Win32Port()
{
    close();
}

PortError Win32Port::closedError() const
{
    return makeError(ErrorCode::Aborted, "the port is closed");
}

PortError Win32Port::gone(const std::string& why)
{
    m_gone = true;
    return makeError(
        ErrorCode::DeviceGone, why.empty() ? "the device has gone away" : "the device has gone away: " + why);
}

CommTimeouts Win32Port::timeouts() const
{
    std::lock_guard lock(m_stateMutex);
    return m_timeouts;
}

Status Win32Port::setCommMask(uint32_t mask)
{
    Win32CallGuard guard(m_sync);
    if (!guard) return closedError();
    {
        std::lock_guard lock(m_stateMutex);
        m_mask = mask;
    }
    m_sync.release(WaitEvent);
    if (!SetCommMask(m_handle, mask)) return lastWin32Error("setting the event mask (SetCommMask)");
    return okStatus();
}

Result<uint32_t> Win32Port::getCommMask()
{
    Win32CallGuard guard(m_sync);
    if (!guard) return closedError();
    std::lock_guard lock(m_stateMutex);
    return m_mask;
}

Status Win32Port::setupComm(uint32_t inQueue, uint32_t outQueue)
{
    Win32CallGuard guard(m_sync);
    if (!guard) return closedError();
    if (!SetupComm(m_handle, inQueue, outQueue)) return lastWin32Error("setting the queue sizes (SetupComm)");
    return okStatus();
}

Status Win32Port::purge(uint32_t flags)
{
    Win32CallGuard guard(m_sync);
    if (!guard) return closedError();
    if (flags & ~PURGE_ALL) return makeError(ErrorCode::InvalidArgument, "unknown purge flags");
    m_sync.release(
        (flags & PURGE_TXABORT ? unsigned(WaitWrite) : 0u) | (flags & PURGE_RXABORT ? unsigned(WaitRead) : 0u));
    if (!PurgeComm(m_handle, flags)) return lastWin32Error("emptying the queues (PurgeComm)");
    return okStatus();
}

Status Win32Port::setTimeouts(const CommTimeouts& timeouts)
{
    Win32CallGuard guard(m_sync);
    if (!guard) return closedError();
    std::lock_guard lock(m_stateMutex);
    m_timeouts = timeouts;
    return okStatus();
}

Result<CommTimeouts> Win32Port::getTimeouts()
{
    Win32CallGuard guard(m_sync);
    if (!guard) return closedError();
    return timeouts();
}

Result<Dcb> Win32Port::getState()
{
    Win32CallGuard guard(m_sync);
    if (!guard) return closedError();
    DCB d {};
    d.DCBlength = sizeof d;
    if (!GetCommState(m_handle, &d)) return lastWin32Error("reading the line settings (GetCommState)");
    return fromWin32Dcb(d);
}

Status Win32Port::setState(const Dcb& dcb)
{
    Win32CallGuard guard(m_sync);
    if (!guard) return closedError();
    if (auto e = checkSettings(dcb)) return e;
    DCB d {};
    d.DCBlength = sizeof d;
    if (!GetCommState(m_handle, &d)) return lastWin32Error("reading the line settings (GetCommState)");
    // A refused setting leaves the line as it was, also where the driver
    // applied a part of it before it refused the rest.
    DCB before = d;
    toWin32Dcb(dcb, d);
    if (!SetCommState(m_handle, &d)) {
        auto e = lastWin32Error("applying the line settings (SetCommState)");
        (void)SetCommState(m_handle, &before);
        return e;
    }
    // Some drivers take a rate they cannot make and use another one.
    if (!GetCommState(m_handle, &d)) return lastWin32Error("reading the line settings (GetCommState)");
    if (d.BaudRate != dcb.BaudRate) {
        (void)SetCommState(m_handle, &before);
        return makeError(ErrorCode::InvalidArgument,
            "the driver cannot make " + std::to_string(dcb.BaudRate) + " baud (it set " + std::to_string(d.BaudRate)
                + ")");
    }
    return okStatus();
}

Status Win32Port::escape(EscapeFunction function)
{
    Win32CallGuard guard(m_sync);
    if (!guard) return closedError();
    // Our codes are the Windows ones.
    if (!EscapeCommFunction(m_handle, DWORD(function)))
        return lastWin32Error("changing a modem line (EscapeCommFunction)");
    return okStatus();
}

void Win32Port::noteErrors(DWORD errors)
{
    std::lock_guard lock(m_stateMutex);
    m_pendingErrors |= errors;
    // Windows says which errors happened, not how often: each counts once per look.
    m_counters.framing += countFlag(errors, CE_FRAME);
    m_counters.parity += countFlag(errors, CE_RXPARITY);
    m_counters.overrun += countFlag(errors, CE_OVERRUN) + countFlag(errors, CE_RXOVER);
    m_counters.brk += countFlag(errors, CE_BREAK);
}

Result<COMSTAT> Win32Port::comStatus()
{
    DWORD errors = 0;
    COMSTAT stat {};
    if (!ClearCommError(m_handle, &errors, &stat)) return lastWin32Error("reading the port status (ClearCommError)");
    noteErrors(errors);
    return stat;
}

Result<ComStat> Win32Port::clearCommError()
{
    Win32CallGuard guard(m_sync);
    if (!guard) return closedError();
    auto stat = comStatus();
    if (!stat) return stat.error();
    std::lock_guard lock(m_stateMutex);
    const ComStat r { uint32_t(std::exchange(m_pendingErrors, 0)), uint32_t(stat->cbInQue), uint32_t(stat->cbOutQue) };
    return r;
}

Result<LineCounters> Win32Port::lineCounters()
{
    Win32CallGuard guard(m_sync);
    if (!guard) return closedError();
    if (auto stat = comStatus(); !stat) return stat.error();
    std::lock_guard lock(m_stateMutex);
    return m_counters;
}

Result<uint32_t> Win32Port::modemStatus()
{
    Win32CallGuard guard(m_sync);
    if (!guard) return closedError();
    DWORD lines = 0;
    // Our MS_* bits are the Windows ones.
    if (!GetCommModemStatus(m_handle, &lines)) return lastWin32Error("reading the modem lines (GetCommModemStatus)");
    return uint32_t(lines);
}

Status Win32Port::transmitChar(uint8_t byte)
{
    Win32CallGuard guard(m_sync);
    if (!guard) return closedError();
    if (m_gone) return gone();
    if (!TransmitCommChar(m_handle, char(byte))) return lastWin32Error("sending ahead (TransmitCommChar)");
    return okStatus();
}

void Win32Port::close()
{
    std::lock_guard lock(m_closeMutex);
    if (m_closed) return;
    m_closed = true;
    m_sync.closeAndDrain();
    CloseHandle(m_handle);
    CloseHandle(m_lock);
}

} // namespace portio
