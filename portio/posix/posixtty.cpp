#include "posixtty.h"

#include <cerrno>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace portio {

namespace {

uint32_t countNew(int now, int before, uint32_t flag)
{
    return now != before ? flag : 0;
}

uint32_t errorFlags(const tty::ErrorCounters& now, const tty::ErrorCounters& before)
{
    return countNew(now.frame, before.frame, CE_FRAME) | countNew(now.parity, before.parity, CE_RXPARITY)
        | countNew(now.overrun, before.overrun, CE_OVERRUN) | countNew(now.brk, before.brk, CE_BREAK)
        | countNew(now.bufOverrun, before.bufOverrun, CE_RXOVER);
}

uint32_t modemBits(int lines)
{
    return (lines & TIOCM_CTS ? MS_CTS_ON : 0) | (lines & TIOCM_DSR ? MS_DSR_ON : 0)
        | (lines & TIOCM_RNG ? MS_RING_ON : 0) | (lines & TIOCM_CAR ? MS_RLSD_ON : 0);
}

struct LineChange {
    unsigned long request;
    int bit;
    const char* what;
};

std::optional<LineChange> lineChange(EscapeFunction f)
{
    switch (f) {
    case EscapeFunction::SETRTS:
        return LineChange { TIOCMBIS, TIOCM_RTS, "raising RTS" };
    case EscapeFunction::CLRRTS:
        return LineChange { TIOCMBIC, TIOCM_RTS, "dropping RTS" };
    case EscapeFunction::SETDTR:
        return LineChange { TIOCMBIS, TIOCM_DTR, "raising DTR" };
    case EscapeFunction::CLRDTR:
        return LineChange { TIOCMBIC, TIOCM_DTR, "dropping DTR" };
    case EscapeFunction::SETBREAK:
        return LineChange { TIOCSBRK, 0, "starting a break" };
    case EscapeFunction::CLRBREAK:
        return LineChange { TIOCCBRK, 0, "ending a break" };
    }
    return std::nullopt;
}

int flushSelector(uint32_t flags)
{
    const bool tx = flags & PURGE_TXCLEAR;
    const bool rx = flags & PURGE_RXCLEAR;
    return tx && rx ? TCIOFLUSH : tx ? TCOFLUSH : TCIFLUSH;
}

} // namespace

PosixTty::PosixTty(int fd, Access access, OpenPurpose purpose)
    : m_fd(fd)
    , m_access(access)
    , m_purpose(purpose)
    , m_uart(purpose == OpenPurpose::Io && tty::isUartDriver(fd))
    , m_holdsOutput(!tty::isPseudoTerminal(fd))
{
    if (purpose != OpenPurpose::Io) return;
    // Errors count from the open on, not from the driver's start.
    if (auto counters = tty::readErrorCounters(fd)) {
        m_haveCounters = true;
        m_counters = *counters;
    }
}

PosixTty::~PosixTty()
{
    close();
}

PortError PosixTty::gone()
{
    m_gone = true;
    return makeError(ErrorCode::DeviceGone, "the device has gone away (hang-up)");
}

PortError PosixTty::closedError() const
{
    return makeError(ErrorCode::Aborted, "the port is closed");
}

CommTimeouts PosixTty::timeouts() const
{
    std::lock_guard lock(m_stateMutex);
    return m_timeouts;
}

Status PosixTty::setCommMask(uint32_t mask)
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    {
        std::lock_guard lock(m_stateMutex);
        m_mask = mask;
    }
    m_sync.release(WaitEvent);
    return okStatus();
}

Result<uint32_t> PosixTty::getCommMask()
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    std::lock_guard lock(m_stateMutex);
    return m_mask;
}

Status PosixTty::setupComm(uint32_t inQueue, uint32_t)
{
    // The tty's own queues have fixed sizes; ours in front of its input takes
    // the size asked for, the output size is a hint.
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    if (inQueue) m_in.setSize(inQueue);
    return okStatus();
}

Status PosixTty::purge(uint32_t flags)
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    if (flags & ~PURGE_ALL) return makeError(ErrorCode::InvalidArgument, "unknown purge flags");
    m_sync.release(
        (flags & PURGE_TXABORT ? unsigned(WaitWrite) : 0u) | (flags & PURGE_RXABORT ? unsigned(WaitRead) : 0u));
    if ((flags & (PURGE_TXCLEAR | PURGE_RXCLEAR)) && ::tcflush(m_fd, flushSelector(flags)) != 0)
        return errnoError(errno, "emptying the queues (tcflush)");
    if (flags & PURGE_RXCLEAR) m_in.clear();
    return okStatus();
}

Status PosixTty::setTimeouts(const CommTimeouts& timeouts)
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    std::lock_guard lock(m_stateMutex);
    m_timeouts = timeouts;
    return okStatus();
}

Result<CommTimeouts> PosixTty::getTimeouts()
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    return timeouts();
}

Result<Dcb> PosixTty::getState()
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    std::lock_guard lock(m_stateMutex);
    return tty::readDcb(m_fd, m_kept);
}

Status PosixTty::setState(const Dcb& dcb)
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    std::lock_guard lock(m_stateMutex);
    if (auto e = tty::writeDcb(m_fd, dcb)) return e;
    m_kept = dcb;
    return okStatus();
}

Status PosixTty::escape(EscapeFunction function)
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    const auto change = lineChange(function);
    if (!change) return makeError(ErrorCode::InvalidArgument, "unknown escape function");
    if (::ioctl(m_fd, change->request, &change->bit) != 0) return errnoError(errno, change->what);
    return okStatus();
}

Result<uint32_t> PosixTty::bytesWaiting() const
{
    const ssize_t n = m_in.waiting(m_fd);
    if (n < 0) return errnoError(errno, "counting the bytes waiting (FIONREAD)");
    return uint32_t(n);
}

uint32_t PosixTty::lineErrors()
{
    std::lock_guard lock(m_stateMutex);
    if (!m_haveCounters) return 0;
    auto now = tty::readErrorCounters(m_fd);
    if (!now) return 0;
    const uint32_t flags = errorFlags(*now, m_counters);
    m_counters = *now;
    return flags;
}

Result<ComStat> PosixTty::clearCommError()
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    auto waiting = bytesWaiting();
    if (!waiting) return waiting.error();
    ComStat stat;
    stat.cbInQue = *waiting;
    // The receive thread asks before every small read: on a pty, whose
    // answer is always 0, that would be a system call per 80 bytes for nothing.
    int out = 0;
    if (m_holdsOutput && ::ioctl(m_fd, TIOCOUTQ, &out) == 0) stat.cbOutQue = uint32_t(out);
    stat.errors = lineErrors();
    return stat;
}

Result<LineCounters> PosixTty::lineCounters()
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    auto c = tty::readErrorCounters(m_fd);
    if (!c) return c.error();
    return LineCounters { uint64_t(c->frame), uint64_t(c->parity), uint64_t(c->overrun) + uint64_t(c->bufOverrun),
        uint64_t(c->brk), uint64_t(c->bufOverrun) };
}

Result<uint32_t> PosixTty::modemStatus()
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    int lines = 0;
    if (::ioctl(m_fd, TIOCMGET, &lines) != 0) return errnoError(errno, "reading the modem lines (TIOCMGET)");
    return modemBits(lines);
}

Status PosixTty::transmitChar(uint8_t byte)
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    // Only the serial core sends the start character ahead of its queue;
    // other drivers would queue it behind, so a plain write keeps the order.
    if (m_uart && tty::canSendAsStartChar(m_fd, byte)) return tty::sendAsStartChar(m_fd, byte);
    return write(&byte, 1).error;
}

void PosixTty::close()
{
    std::lock_guard lock(m_closeMutex);
    if (m_closed) return;
    m_closed = true;
    m_sync.closeAndDrain();
    if (m_purpose == OpenPurpose::Io) (void)::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
}

} // namespace portio
