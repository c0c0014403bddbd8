#include "boardcore.h"

#include "linerules.h"

#include <algorithm>
#include <bit>

namespace vboard {

using namespace portio;

namespace {

// Odd and even parity see an odd number of bits turned over; mark and space
// parity see none in the data bits.
bool parityCatches(const Dcb& receiver, uint8_t flippedBits)
{
    const bool checks = receiver.Parity == ODDPARITY || receiver.Parity == EVENPARITY;
    return checks && std::popcount(flippedBits) % 2 == 1;
}

uint8_t dataMask(const Dcb& dcb)
{
    return uint8_t((1u << dcb.ByteSize) - 1);
}

} // namespace

BoardCore::BoardCore(const BoardConfig& config)
    : m_config(config)
    , m_faults(config.faults, config.firstCom, config.ports)
{
    for (int i = 0; i < config.ports; ++i) {
        auto p = std::make_unique<BoardPort>();
        p->index = i;
        p->inCap = p->outCap = config.queueSize;
        m_ports.push_back(std::move(p));
    }
}

// The port at the other end of the cable plugged into socket `index`.
// A port whose line ends in a pseudo-terminal is wired to nothing on the board.
BoardPort* BoardCore::wiredTo(int index)
{
    BoardPort* p = m_ports[size_t(index)].get();
    if (p->toPty) return nullptr;
    switch (m_config.wiring) {
    case Wiring::Loopback:
        return p;
    case Wiring::Pairs: {
        const int other = index ^ 1;
        return other < portCount() && !m_ports[size_t(other)]->toPty ? m_ports[size_t(other)].get() : nullptr;
    }
    default:
        return nullptr;
    }
}

// A swap fault exchanges the receive sides of two ports; without one, both
// directions of a cable join the same two ports.
BoardPort* BoardCore::farEnd(BoardPort& p)
{
    BoardPort* f = wiredTo(p.index);
    return f ? m_ports[size_t(m_faults.swapped(f->index))].get() : nullptr;
}

BoardPort* BoardCore::source(BoardPort& p)
{
    return wiredTo(m_faults.swapped(p.index));
}

bool BoardCore::rtsLevel(const BoardPort& p) const
{
    if (!p.open || !p.plugged) return false;
    switch (p.dcb.fRtsControl) {
    case RTS_CONTROL_HANDSHAKE:
        return !p.rtsFlowOff;
    case RTS_CONTROL_TOGGLE:
        return hasTx(p);
    default:
        return p.rts;
    }
}

bool BoardCore::dtrLevel(const BoardPort& p) const
{
    return p.open && p.plugged && p.dtr;
}

bool BoardCore::cts(BoardPort& p)
{
    const BoardPort* f = source(p);
    return f && rtsLevel(*f) && !m_faults.ctsStuckLow(p.index);
}

bool BoardCore::dsr(BoardPort& p)
{
    const BoardPort* f = source(p);
    return f && dtrLevel(*f);
}

uint32_t BoardCore::modemStatus(BoardPort& p)
{
    uint32_t s = 0;
    if (cts(p)) s |= MS_CTS_ON;
    if (dsr(p)) s |= MS_DSR_ON | MS_RLSD_ON;
    return s;
}

bool BoardCore::txHeld(BoardPort& p)
{
    return (p.dcb.fOutxCtsFlow && !cts(p)) || (p.dcb.fOutxDsrFlow && !dsr(p)) || (p.dcb.fOutX && p.xoffReceived)
        || p.ptyFull;
}

size_t BoardCore::lowWater(const BoardPort& p) const
{
    return p.dcb.XonLim && p.dcb.XonLim < p.inCap ? p.dcb.XonLim : p.inCap / 4;
}

size_t BoardCore::highWaterFree(const BoardPort& p) const
{
    return p.dcb.XoffLim && p.dcb.XoffLim < p.inCap ? p.dcb.XoffLim : p.inCap / 4;
}

void BoardCore::kick(Clock::time_point due)
{
    if (m_engineAwake) {
        m_kicked = std::min(m_kicked, due);
        return;
    }
    due = std::max(due, m_floor); // a new line waits for the next batch too
    if (due < m_wakeAt) {
        m_wakeAt = due;
        m_engineCv.notify_one();
    }
}

void BoardCore::startLine(BoardPort& p)
{
    if (hasTx(p) && p.open) kick(p.txFreeAt + characterTime(p.dcb));
}

// An idle line starts its next character now, not in the past, except for
// the time the engine took to notice it was idle; a busy one keeps its pace.
void BoardCore::wakeIdleLine(BoardPort& p)
{
    const auto now = Clock::now();
    if (!hasTx(p) && p.txFreeAt < now) p.txFreeAt = std::max(p.txFreeAt, now - p.idleLate);
    p.idleLate = {};
}

void BoardCore::queueOutput(BoardPort& p, const uint8_t* data, size_t n)
{
    wakeIdleLine(p);
    p.out.insert(p.out.end(), data, data + n);
    startLine(p);
}

void BoardCore::queueUrgent(BoardPort& p, uint8_t byte)
{
    wakeIdleLine(p);
    p.urgent.push_back(byte);
    startLine(p);
}

bool BoardCore::sendsWithinTick(BoardPort& p)
{
    return p.out.empty() || (!txHeld(p) && p.out.size() <= charactersPerTick(p));
}

size_t BoardCore::charactersPerTick(const BoardPort& p) const
{
    return size_t(std::chrono::nanoseconds(m_config.tick) / characterTime(p.dcb));
}

void BoardCore::linesChanged(BoardPort& p)
{
    startLine(p);
    if (BoardPort* f = farEnd(p)) startLine(*f);
}

// Software flow control: XON/XOFF from the far end steer our transmitter and
// are not stored.
bool BoardCore::takeSoftFlow(BoardPort& r, uint8_t byte)
{
    if (!r.dcb.fOutX || (byte != r.dcb.XoffChar && byte != r.dcb.XonChar)) return false;
    r.xoffReceived = byte == r.dcb.XoffChar;
    if (!r.xoffReceived) startLine(r);
    return true;
}

void BoardCore::receive(BoardPort& r, uint8_t byte, const BoardPort* sender)
{
    if (!r.open || !r.plugged) return;
    if (sender && sender != &r) {
        // Mismatched framing garbles characters on a real line; flag it.
        const Dcb &a = sender->dcb, &b = r.dcb;
        if (a.BaudRate != b.BaudRate || a.ByteSize != b.ByteSize)
            flagError(r, CE_FRAME);
        else if (a.Parity != b.Parity)
            flagError(r, CE_RXPARITY);
    }
    if (takeSoftFlow(r, byte)) return;
    if (r.in.size() >= r.inCap) {
        flagError(r, CE_RXOVER);
        return;
    }
    r.in.push_back(byte);
    r.driver.noteReceived(1);
    checkHighWater(r);
}

void BoardCore::receiveMany(BoardPort& r, std::deque<uint8_t>::const_iterator from, size_t n, uint8_t mask)
{
    if (!r.open || !r.plugged) return;
    const size_t fits = std::min(n, r.inCap - std::min(r.inCap, r.in.size()));
    for (size_t i = 0; i < fits; ++i)
        r.in.push_back(from[ptrdiff_t(i)] & mask);
    r.driver.noteReceived(fits);
    if (fits < n) flagError(r, CE_RXOVER, n - fits);
    checkHighWater(r);
}

// A nearly full input queue asks the far end to stop: RTS down, or XOFF.
void BoardCore::checkHighWater(BoardPort& r)
{
    const size_t freeSpace = r.inCap - std::min(r.inCap, r.in.size());
    if (freeSpace >= highWaterFree(r)) return;
    r.rtsFlowOff = r.dcb.fRtsControl == RTS_CONTROL_HANDSHAKE;
    if (r.dcb.fInX && !r.xoffSent) {
        r.xoffSent = true;
        queueUrgent(r, r.dcb.XoffChar);
    }
}

void BoardCore::flagError(BoardPort& p, uint32_t ceFlags, uint64_t times)
{
    p.errors |= ceFlags;
    LineCounters& c = p.errorCounts;
    c.framing += (ceFlags & CE_FRAME) ? times : 0;
    c.parity += (ceFlags & CE_RXPARITY) ? times : 0;
    c.overrun += (ceFlags & (CE_OVERRUN | CE_RXOVER)) ? times : 0;
    c.brk += (ceFlags & CE_BREAK) ? times : 0;
    c.bufferOverrun += (ceFlags & CE_RXOVER) ? times : 0;
}

size_t BoardCore::take(BoardPort& p, uint8_t* buffer, size_t n)
{
    const size_t k = std::min(n, p.in.size());
    std::copy_n(p.in.begin(), k, buffer);
    p.in.erase(p.in.begin(), p.in.begin() + ptrdiff_t(k));
    if (p.in.size() <= lowWater(p)) {
        if (p.rtsFlowOff) {
            p.rtsFlowOff = false;
            linesChanged(p);
        }
        if (p.xoffSent) {
            p.xoffSent = false;
            queueUrgent(p, p.dcb.XonChar);
        }
    }
    return k;
}

bool BoardCore::pumpPort(BoardPort& p, Clock::time_point now)
{
    // Nothing completes after a pending write's time limit: the writer drops
    // the rest when it gets there, however late the engine ran.
    if (p.writeDeadline && *p.writeDeadline < now) now = *p.writeDeadline;
    BoardPort* f = farEnd(p);
    const bool moved = plainLine(p, f) ? movePlain(p, f, now) : moveEach(p, f, now);
    // Wake-ups per batch, not per character, and only for waiters whose
    // level the batch reached.
    if (moved) {
        if (!hasTx(p)) p.idleLate = std::min<Clock::duration>(now - p.txFreeAt, m_config.tick);
        outputMoved(p);
        if (f) inputArrived(*f, now);
    }
    return moved;
}

// Nothing on the way can hold, damage or answer these characters: no output
// flow control, nothing urgent, no faults, and a receiver with the same
// framing that takes no XON/XOFF.
bool BoardCore::plainLine(const BoardPort& p, const BoardPort* f) const
{
    const Dcb& d = p.dcb;
    if (!p.urgent.empty() || p.toPty || d.fOutxCtsFlow || d.fOutxDsrFlow || d.fOutX) return false;
    if (!f) return true;
    const Dcb& r = f->dcb;
    return !m_faults.damages(f->index) && !r.fOutX && r.BaudRate == d.BaudRate && r.ByteSize == d.ByteSize
        && r.Parity == d.Parity;
}

// What fell due on a plain line goes in one piece.
bool BoardCore::movePlain(BoardPort& p, BoardPort* f, Clock::time_point now)
{
    const auto ct = characterTime(p.dcb);
    if (p.out.empty() || p.txFreeAt + ct > now) return false;
    const size_t k = std::min(p.out.size(), size_t((now - p.txFreeAt) / ct));
    if (f) receiveMany(*f, p.out.begin(), k, dataMask(p.dcb));
    p.out.erase(p.out.begin(), p.out.begin() + ptrdiff_t(k));
    p.txFreeAt += ct * int64_t(k);
    p.txSent += k;
    return true;
}

bool BoardCore::moveEach(BoardPort& p, BoardPort* f, Clock::time_point now)
{
    const auto ct = characterTime(p.dcb);
    const uint8_t mask = dataMask(p.dcb);
    bool moved = false;
    while (hasTx(p) && p.txFreeAt + ct <= now) {
        uint8_t byte = 0;
        if (!p.urgent.empty()) {
            byte = p.urgent.front();
            p.urgent.pop_front();
            p.urgentFromUser = false;
        } else if (txHeld(p)) {
            p.txFreeAt = now; // the line idles while held
            break;
        } else {
            byte = p.out.front();
            p.out.pop_front();
            ++p.txSent;
        }
        p.txFreeAt += ct;
        moved = true;
        if (p.toPty) {
            p.toPty(byte & mask);
        } else if (f) {
            const uint8_t sent = byte & mask;
            if (const auto b = m_faults.pass(f->index, sent, p.dcb.ByteSize)) {
                receive(*f, *b, &p);
                if (parityCatches(f->dcb, uint8_t(sent ^ *b))) flagError(*f, CE_RXPARITY);
            }
        }
    }
    return moved;
}

std::optional<Clock::time_point> BoardCore::pump(Clock::time_point now)
{
    std::optional<Clock::time_point> next;
    for (auto& port : m_ports) {
        BoardPort& p = *port;
        if (!hasTx(p) || !p.open) continue;
        pumpPort(p, now);
        if (hasTx(p) && (!p.urgent.empty() || !txHeld(p))) {
            const auto due = p.txFreeAt + characterTime(p.dcb);
            if (!next || due < *next) next = due;
        }
    }
    return next;
}

void BoardCore::resetLine(BoardPort& p)
{
    p.in.clear();
    p.out.clear();
    p.urgent.clear();
    p.urgentFromUser = false;
    p.rtsFlowOff = p.xoffSent = p.xoffReceived = false;
    p.writing = false;
    p.writeDeadline.reset();
    p.idleLate = {};
    p.errors = 0;
    p.mask = 0;
    p.inCap = p.outCap = m_config.queueSize;
}

std::string BoardCore::registerDump(BoardPort& p)
{
    static const char parity[] = "NOEMS";
    static const char* stop[] = { "1", "1.5", "2" };
    const Dcb& d = p.dcb;
    const uint32_t ms = modemStatus(p);
    return "vboard:" + std::to_string(p.index) + " COM" + std::to_string(m_config.firstCom + p.index) + ": "
        + std::to_string(d.BaudRate) + " " + std::to_string(d.ByteSize) + parity[d.Parity % 5] + stop[d.StopBits % 3]
        + " DTR=" + std::to_string(dtrLevel(p)) + " RTS=" + std::to_string(rtsLevel(p))
        + " CTS=" + std::to_string((ms & MS_CTS_ON) != 0) + " DSR=" + std::to_string((ms & MS_DSR_ON) != 0)
        + " DCD=" + std::to_string((ms & MS_RLSD_ON) != 0) + " in=" + std::to_string(p.in.size()) + "/"
        + std::to_string(p.inCap) + " out=" + std::to_string(p.out.size()) + "/" + std::to_string(p.outCap)
        + " custom=" + std::to_string(p.driver.customMode()) + " protocol=" + std::to_string(p.driver.protocol());
}

void BoardCore::wakeAll(BoardPort& p)
{
    p.rxWaiters.cv.notify_all();
    p.txWaiters.cv.notify_all();
}

void BoardCore::inputArrived(BoardPort& p, Clock::time_point at)
{
    p.lastArrival = at;
    if (p.rxWaiters.count && p.in.size() >= p.rxWaiters.level) p.rxWaiters.cv.notify_all();
}

void BoardCore::outputMoved(BoardPort& p)
{
    if (p.txWaiters.count && p.out.size() <= p.txWaiters.level) p.txWaiters.cv.notify_all();
}

namespace {

// Several waiters share one level: the one that wakes them all soonest.
void waitOn(PortWaiters& w, BoardCore::Lock& lock, size_t level, bool lowest, std::optional<Clock::time_point> until)
{
    if (w.count++ == 0)
        w.level = level;
    else
        w.level = lowest ? std::min(w.level, level) : std::max(w.level, level);
    if (until)
        w.cv.wait_until(lock, *until);
    else
        w.cv.wait(lock);
    --w.count;
    ++w.wakeUps;
}

} // namespace

void BoardCore::waitForInput(BoardPort& p, Lock& lock, size_t level, std::optional<Clock::time_point> until)
{
    waitOn(p.rxWaiters, lock, level, true, until);
}

void BoardCore::waitForOutput(BoardPort& p, Lock& lock, size_t level, std::optional<Clock::time_point> until)
{
    waitOn(p.txWaiters, lock, level, false, until);
}

size_t BoardCore::inputLevel(const BoardPort& p, size_t needed) const
{
    const size_t beforeFlowStops = p.inCap - std::min(p.inCap, highWaterFree(p));
    return std::max<size_t>(1, std::min({ needed, p.inCap / 2, beforeFlowStops }));
}

void BoardCore::requestStop()
{
    m_stop = true;
    m_engineCv.notify_one();
}

void BoardCore::sleepUntilDue(Lock& lock, std::optional<Clock::time_point> due)
{
    // Never wake more often than the tick: characters due in between go in
    // the next batch.
    if (m_kicked != Clock::time_point::max()) due = due ? std::min(*due, m_kicked) : m_kicked;
    m_kicked = Clock::time_point::max();
    m_floor = Clock::now() + m_config.tick;
    m_wakeAt = due ? std::max(*due, m_floor) : Clock::time_point::max();
    m_engineAwake = false;
    // A kick may bring the wake-up forward, never before the floor.
    while (!m_stop && Clock::now() < m_wakeAt) {
        if (m_wakeAt == Clock::time_point::max())
            m_engineCv.wait(lock);
        else
            m_engineCv.wait_until(lock, m_wakeAt);
    }
    m_engineAwake = true;
}

} // namespace vboard
