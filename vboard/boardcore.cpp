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
    if (due < m_wakeAt) {
        m_wakeAt = due;
        m_engineCv.notify_one();
    }
}

void BoardCore::startLine(BoardPort& p)
{
    if (hasTx(p) && p.open) kick(p.txFreeAt + characterTime(p.dcb));
}

// An idle line starts its next character now, not in the past; a busy one
// keeps its pace.
void BoardCore::wakeIdleLine(BoardPort& p)
{
    const auto now = Clock::now();
    if (!hasTx(p) && p.txFreeAt < now) p.txFreeAt = now;
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
    const size_t freeSpace = r.inCap - r.in.size();
    if (freeSpace < highWaterFree(r)) {
        r.rtsFlowOff = r.dcb.fRtsControl == RTS_CONTROL_HANDSHAKE;
        if (r.dcb.fInX && !r.xoffSent) {
            r.xoffSent = true;
            queueUrgent(r, r.dcb.XoffChar);
        }
    }
}

void BoardCore::flagError(BoardPort& p, uint32_t ceFlags)
{
    p.errors |= ceFlags;
    LineCounters& c = p.errorCounts;
    c.framing += (ceFlags & CE_FRAME) ? 1 : 0;
    c.parity += (ceFlags & CE_RXPARITY) ? 1 : 0;
    c.overrun += (ceFlags & (CE_OVERRUN | CE_RXOVER)) ? 1 : 0;
    c.brk += (ceFlags & CE_BREAK) ? 1 : 0;
    c.bufferOverrun += (ceFlags & CE_RXOVER) ? 1 : 0;
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
    const auto ct = characterTime(p.dcb);
    const uint8_t dataMask = uint8_t((1u << p.dcb.ByteSize) - 1);
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
            p.toPty(byte & dataMask);
        } else if (BoardPort* f = farEnd(p)) {
            const uint8_t sent = byte & dataMask;
            if (const auto b = m_faults.pass(f->index, sent, p.dcb.ByteSize)) {
                receive(*f, *b, &p);
                if (parityCatches(f->dcb, uint8_t(sent ^ *b))) flagError(*f, CE_RXPARITY);
            }
        }
    }
    // Wake-ups per batch, not per character, and only for waiters whose
    // level the batch reached.
    if (moved) {
        outputMoved(p);
        if (BoardPort* f = farEnd(p)) inputArrived(*f, now);
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
    const auto floor = Clock::now() + m_config.tick;
    m_wakeAt = due ? std::max(*due, floor) : Clock::time_point::max();
    m_engineAwake = false;
    if (due)
        m_engineCv.wait_until(lock, m_wakeAt);
    else if (!m_stop)
        m_engineCv.wait(lock);
    m_engineAwake = true;
}

} // namespace vboard
