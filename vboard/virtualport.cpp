#include "virtualport.h"

#include "linerules.h"

#include <algorithm>

namespace vboard {

using namespace portio;

VirtualPort::Call::Call(VirtualPort& port)
    : lock(port.m_core->mutex())
    , m_port(port)
{
    status = port.usable();
    ++port.m_active;
}

VirtualPort::Call::~Call()
{
    if (--m_port.m_active == 0 && m_port.m_closed) m_port.m_port.callsDone.notify_all();
}

// Expects the board lock held by the caller (the board opens ports under it).
VirtualPort::VirtualPort(std::shared_ptr<BoardCore> core, BoardPort& port, Access access)
    : m_core(std::move(core))
    , m_port(port)
    , m_access(access)
    , m_session(port.session)
{
}

VirtualPort::~VirtualPort()
{
    close();
}

Status VirtualPort::usable() const
{
    if (m_closed) return makeError(ErrorCode::Aborted, "the port is closed");
    if (!m_port.open || m_port.session != m_session)
        return makeError(ErrorCode::DeviceGone, "vboard:" + std::to_string(m_port.index) + " was unplugged");
    return okStatus();
}

Status VirtualPort::accessFor(Access needed) const
{
    if ((uint8_t(m_access) & uint8_t(needed)) == 0)
        return makeError(ErrorCode::AccessDenied, "the port was not opened for this direction");
    return okStatus();
}

Status VirtualPort::setCommMask(uint32_t mask)
{
    Call c(*this);
    if (c.status) return c.status;
    m_port.mask = mask;
    ++m_port.maskGen;
    m_core->wakeAll(m_port);
    return okStatus();
}

Result<uint32_t> VirtualPort::getCommMask()
{
    Call c(*this);
    if (c.status) return c.status;
    return m_port.mask;
}

Result<uint32_t> VirtualPort::waitCommEvent()
{
    Call c(*this);
    const uint64_t gen = m_port.maskGen;
    for (;;) {
        if (auto e = usable()) return e;
        if (m_port.maskGen != gen || m_port.mask == 0) return uint32_t(0);
        if ((m_port.mask & EV_RXCHAR) && !m_port.in.empty()) return EV_RXCHAR;
        m_core->waitForInput(m_port, c.lock, 1, std::nullopt);
    }
}

Status VirtualPort::setupComm(uint32_t inQueue, uint32_t outQueue)
{
    Call c(*this);
    if (c.status) return c.status;
    if (inQueue == 0 || outQueue == 0) return makeError(ErrorCode::InvalidArgument, "queue sizes must not be 0");
    m_port.inCap = inQueue;
    m_port.outCap = outQueue;
    m_core->wakeAll(m_port);
    return okStatus();
}

Status VirtualPort::purge(uint32_t flags)
{
    Call c(*this);
    if (c.status) return c.status;
    if (flags & ~PURGE_ALL) return makeError(ErrorCode::InvalidArgument, "unknown purge flags");
    if (flags & PURGE_TXABORT) ++m_port.txAbortGen;
    if (flags & PURGE_RXABORT) ++m_port.rxAbortGen;
    if (flags & PURGE_TXCLEAR) {
        m_port.out.clear();
        m_port.urgent.clear();
        m_port.urgentFromUser = false;
    }
    if (flags & PURGE_RXCLEAR) {
        uint8_t sink[256];
        while (m_core->take(m_port, sink, sizeof sink)) { }
    }
    m_core->wakeAll(m_port);
    return okStatus();
}

Status VirtualPort::setTimeouts(const CommTimeouts& timeouts)
{
    Call c(*this);
    if (c.status) return c.status;
    m_port.timeouts = timeouts;
    return okStatus();
}

Result<CommTimeouts> VirtualPort::getTimeouts()
{
    Call c(*this);
    if (c.status) return c.status;
    return m_port.timeouts;
}

Result<Dcb> VirtualPort::getState()
{
    Call c(*this);
    if (c.status) return c.status;
    return m_port.dcb;
}

Status VirtualPort::setState(const Dcb& dcb)
{
    Call c(*this);
    if (c.status) return c.status;
    if (auto e = checkBoardLineSettings(dcb, m_core->config().maxBaud)) return e;
    m_port.dcb = carriedLineSettings(dcb);
    m_port.dtr = dcb.fDtrControl != DTR_CONTROL_DISABLE;
    m_port.rts = m_port.dcb.fRtsControl != RTS_CONTROL_DISABLE;
    if (!dcb.fOutX) m_port.xoffReceived = false;
    m_core->linesChanged(m_port);
    return okStatus();
}

Status VirtualPort::escape(EscapeFunction function)
{
    Call c(*this);
    if (c.status) return c.status;
    switch (function) {
    case EscapeFunction::SETRTS:
    case EscapeFunction::CLRRTS:
        m_port.rts = function == EscapeFunction::SETRTS;
        break;
    case EscapeFunction::SETDTR:
    case EscapeFunction::CLRDTR:
        m_port.dtr = function == EscapeFunction::SETDTR;
        break;
    default:
        return makeError(ErrorCode::InvalidArgument, "unknown escape function");
    }
    m_core->linesChanged(m_port);
    return okStatus();
}

Result<ComStat> VirtualPort::clearCommError()
{
    Call c(*this);
    if (c.status) return c.status;
    ComStat s { m_port.errors, uint32_t(m_port.in.size()), uint32_t(m_port.out.size() + m_port.urgent.size()) };
    m_port.errors = 0;
    return s;
}

Result<LineCounters> VirtualPort::lineCounters()
{
    Call c(*this);
    if (c.status) return c.status;
    return m_port.errorCounts;
}

Result<uint32_t> VirtualPort::modemStatus()
{
    Call c(*this);
    if (c.status) return c.status;
    // Nothing on the far side can drive the inputs of an exposed port: they
    // are unknown, not low.
    if (m_port.toPty) return makeError(ErrorCode::NotSupported, "modem lines do not cross a pseudo-terminal");
    if (m_port.failModemQueries > 0) {
        --m_port.failModemQueries;
        return makeError(ErrorCode::OsFailure, "the board could not read the modem lines (injected fault)");
    }
    return m_core->modemStatus(m_port);
}

// A read with a gap limit must see its first byte to start timing the gap;
// otherwise it sleeps until it can end, or until its limit.
size_t VirtualPort::readLevel(const ReadDeadline& deadline, size_t have, size_t n) const
{
    const auto& t = m_port.timeouts;
    const bool gapLimit = t.ReadIntervalTimeout != 0 && t.ReadIntervalTimeout != MAXDWORD;
    if (deadline.returnsWithAny() || (gapLimit && have == 0)) return 1;
    return m_core->inputLevel(m_port, n - have);
}

// A writer sleeps until the queue has room for the rest of its data (half the
// queue at most), or, with everything queued, until the line sends the rest
// within a tick.
size_t VirtualPort::writeLevel(size_t rest) const
{
    return rest ? m_port.outCap - std::min(rest, m_port.outCap / 2) : m_core->charactersPerTick(m_port);
}

IoResult VirtualPort::read(void* buffer, size_t n)
{
    IoResult r;
    Call c(*this);
    if ((r.error = c.status) || (r.error = accessFor(Access::Read))) return r;
    readLoop(c.lock, static_cast<uint8_t*>(buffer), n, r);
    return r;
}

void VirtualPort::readLoop(Lock& lock, uint8_t* buffer, size_t n, IoResult& r)
{
    const uint64_t gen = m_port.rxAbortGen;
    const ReadDeadline deadline(m_port.timeouts, n, Clock::now());
    auto lastByte = Clock::now();
    for (;;) {
        if ((r.error = usable())) return;
        if (m_port.rxAbortGen != gen) {
            r.error = makeError(ErrorCode::Aborted, "read aborted");
            return;
        }
        if (const size_t k = m_core->take(m_port, buffer + r.count, n - r.count)) {
            r.count += k;
            lastByte = std::max(lastByte, m_port.lastArrival);
        }
        const auto now = Clock::now();
        const auto left = deadline.remaining(r.count, now, lastByte);
        if (left && *left <= Clock::duration::zero()) return;
        m_core->waitForInput(
            m_port, lock, readLevel(deadline, r.count, n), left ? std::optional(now + *left) : std::nullopt);
    }
}

IoResult VirtualPort::write(const void* buffer, size_t n)
{
    IoResult r;
    Call c(*this);
    if ((r.error = c.status) || (r.error = accessFor(Access::Write))) return r;
    const uint64_t gen = m_port.txAbortGen;
    // One write at a time owns the output queue, as in a driver's write queue.
    while (m_port.writing && !usable() && m_port.txAbortGen == gen)
        m_core->waitForOutput(m_port, c.lock, 0, std::nullopt);
    if ((r.error = usable())) return r;
    if (m_port.txAbortGen != gen) {
        r.error = makeError(ErrorCode::Aborted, "write aborted");
        return r;
    }
    m_port.writing = true;
    transfer(c.lock, static_cast<const uint8_t*>(buffer), n, gen, r);
    if (r.error.code != ErrorCode::DeviceGone) m_port.writing = false;
    m_port.txWaiters.cv.notify_all();
    return r;
}

void VirtualPort::transfer(Lock& lock, const uint8_t* data, size_t n, uint64_t gen, IoResult& r)
{
    // What is still queued belongs to earlier writes that have ended.
    const uint64_t base = m_port.txSent + m_port.out.size();
    const auto deadline = writeDeadline(m_port.timeouts, n, Clock::now());
    m_port.writeDeadline = deadline;
    size_t queued = 0;
    for (;;) {
        if ((r.error = usable())) break;
        if (m_port.txAbortGen != gen) {
            r.error = makeError(ErrorCode::Aborted, "write aborted");
            break;
        }
        const size_t k = std::min(n - queued, m_port.outCap - std::min(m_port.outCap, m_port.out.size()));
        if (k) m_core->queueOutput(m_port, data + queued, k);
        queued += k;
        if (queued == n && m_core->sendsWithinTick(m_port)) break;
        if (deadline && Clock::now() >= *deadline) {
            // Count every character that finished by the limit, then drop the rest.
            m_core->pumpPort(m_port, *deadline);
            r.error = makeError(ErrorCode::TimedOut, "write time-out");
            break;
        }
        m_core->waitForOutput(m_port, lock, writeLevel(n - queued), deadline);
    }
    endTransfer(r, base, n);
}

// A write that ended early drops what it could not send; a finished one
// leaves its last characters to the transmitter. Those of an earlier write
// are in the transmitter too: they still go out, as that write reported.
void VirtualPort::endTransfer(IoResult& r, uint64_t base, size_t n)
{
    // A port that went away may already serve a new handle: leave it alone.
    if (r.error.code == ErrorCode::DeviceGone) return;
    m_port.writeDeadline.reset();
    if (r.ok()) {
        r.count = n;
        return;
    }
    const uint64_t earlier = base > m_port.txSent ? base - m_port.txSent : 0;
    m_port.out.resize(size_t(std::min<uint64_t>(earlier, m_port.out.size())));
    r.count = m_port.txSent > base ? size_t(m_port.txSent - base) : 0;
}

Status VirtualPort::transmitChar(uint8_t byte)
{
    Call c(*this);
    if (c.status) return c.status;
    if (auto e = accessFor(Access::Write)) return e;
    if (m_port.urgentFromUser) return makeError(ErrorCode::Busy, "the previous character is still waiting to be sent");
    m_core->queueUrgent(m_port, byte);
    m_port.urgentFromUser = true;
    return okStatus();
}

Status VirtualPort::driverControl(
    uint32_t code, const void* in, size_t inLen, void* out, size_t outLen, uint32_t* bytesReturned)
{
    std::string dump;
    std::function<void(std::string)> sink;
    Status result;
    {
        Call c(*this);
        if (c.status) return c.status;
        DriverRequest req { code, {}, outLen, {}, {} };
        const auto* inBytes = static_cast<const uint8_t*>(in);
        if (inBytes) req.input.assign(inBytes, inBytes + inLen);
        uint32_t returned = 0;
        if (m_port.failRequests > 0) {
            --m_port.failRequests;
            result = makeError(ErrorCode::OsFailure, "the board refused the request (injected fault)");
        } else {
            result = m_port.driver.handle(code, inBytes, inLen, static_cast<uint8_t*>(out), outLen, returned, [&] {
                dump = m_core->registerDump(m_port);
                sink = m_core->debugSink;
            });
        }
        const auto* outBytes = static_cast<const uint8_t*>(out);
        req.output.assign(outBytes, outBytes + returned);
        req.result = result;
        m_port.requests.push_back(std::move(req));
        if (bytesReturned) *bytesReturned = returned;
    }
    // Outside the lock: the sink may well call back into the board.
    if (sink) sink(dump);
    return result;
}

void VirtualPort::close()
{
    Lock lock(m_core->mutex());
    if (m_closed) return;
    m_closed = true;
    m_core->wakeAll(m_port);
    m_port.callsDone.wait(lock, [&] { return m_active == 0; });
    drain(lock);
    release();
}

// The last characters of a finished write go out before the port closes,
// as a tty drains on close. They take a tick at most; the limit is only for
// an engine that is kept from running. A held line keeps them.
void VirtualPort::drain(Lock& lock)
{
    const auto until = Clock::now() + std::chrono::seconds(1);
    while (m_port.open && m_port.session == m_session && !m_port.out.empty() && m_core->sendsWithinTick(m_port)
        && Clock::now() < until)
        m_core->waitForOutput(m_port, lock, 0, until);
}

void VirtualPort::release()
{
    if (!m_port.open || m_port.session != m_session) return;
    m_port.open = false;
    m_core->resetLine(m_port);
    // The far end sees our modem outputs drop.
    if (BoardPort* f = m_core->farEnd(m_port)) m_core->wakeAll(*f);
}

} // namespace vboard
