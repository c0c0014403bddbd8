#include "linestatusmonitor.h"

namespace linestatus {

using namespace portio;

namespace {

bool isGone(const PortError& e)
{
    return e.code == ErrorCode::DeviceGone || e.code == ErrorCode::Aborted;
}

// A port that has no such facility says so every time; any other failure
// may be a moment's trouble of the driver.
bool lacks(const PortError& e)
{
    return e.code == ErrorCode::NotSupported;
}

Level level(bool high)
{
    return high ? Level::High : Level::Low;
}

// Outputs the driver steers itself (handshake, toggle) have no fixed level.
Level outputLevel(uint8_t control, uint8_t enable, uint8_t disable)
{
    if (control == enable) return Level::High;
    if (control == disable) return Level::Low;
    return Level::Unavailable;
}

ErrorCounts errorCounts(const LineCounters& c)
{
    return { c.framing, c.parity, c.overrun - c.bufferOverrun, c.brk, c.bufferOverrun };
}

} // namespace

LineStatusMonitor::LineStatusMonitor(std::shared_ptr<Port> port, Listener listener)
    : LineStatusMonitor(std::move(port), std::move(listener), Options {})
{
}

LineStatusMonitor::LineStatusMonitor(std::shared_ptr<Port> port, Listener listener, Options options)
    : m_port(std::move(port))
    , m_listener(std::move(listener))
    , m_options(options)
    , m_tally(options.tally ? options.tally : std::make_shared<Tally>())
    , m_rxRate(options.rateWindow)
    , m_txRate(options.rateWindow)
{
    if (auto dcb = m_port->getState()) takeOutputs(*dcb);
    if (auto counters = m_port->lineCounters()) m_errorBase = *counters;
    poll();
    m_thread = std::thread([this] { run(); });
}

LineStatusMonitor::~LineStatusMonitor()
{
    stop();
}

void LineStatusMonitor::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

LineState LineStatusMonitor::state() const
{
    std::lock_guard lock(m_mutex);
    return m_state;
}

void LineStatusMonitor::run()
{
    LineState published = state();
    if (m_listener) m_listener(published);
    std::unique_lock lock(m_mutex);
    while (!m_stopping && !published.portGone) {
        m_wake.wait_for(lock, m_options.interval);
        if (m_stopping) break;
        lock.unlock();
        const LineState s = poll();
        if (!(s == published) && m_listener) m_listener(s);
        published = s;
        lock.lock();
    }
}

// The port is asked outside the lock: its calls may take a moment.
LineState LineStatusMonitor::poll()
{
    const auto modem = m_port->modemStatus();
    const auto counters = m_port->lineCounters();
    const auto now = RateMeter::Clock::now();
    std::lock_guard lock(m_mutex);
    if (isGone(modem.error()) || isGone(counters.error())) {
        m_state.portGone = true;
        m_modemLines = false;
    }
    takeModem(modem);
    takeErrors(counters);
    m_rxRate.sample(m_tally->receivedTotal(), now);
    m_txRate.sample(m_tally->sentTotal(), now);
    m_state.rxBytes = m_tally->received();
    m_state.txBytes = m_tally->sent();
    m_state.rxRate = m_rxRate.perSecond();
    m_state.txRate = m_txRate.perSecond();
    return m_state;
}

// A port without modem lines (or one that is gone) reports none of the six;
// one whose query failed once keeps the last levels until the next answer.
void LineStatusMonitor::takeModem(const Result<uint32_t>& modem)
{
    m_state.stale = m_modemLines && !modem && !lacks(modem.error());
    if (m_state.stale) return;
    if (!modem || !m_modemLines) {
        m_modemLines = false;
        m_state.cts = m_state.dsr = m_state.dcd = m_state.ri = Level::Unavailable;
        m_state.rts = m_state.dtr = Level::Unavailable;
        return;
    }
    const uint32_t bits = modem.value();
    m_state.cts = level(bits & MS_CTS_ON);
    m_state.dsr = level(bits & MS_DSR_ON);
    m_state.dcd = level(bits & MS_RLSD_ON);
    m_state.ri = level(bits & MS_RING_ON);
}

void LineStatusMonitor::takeErrors(const Result<LineCounters>& counters)
{
    if (m_state.portGone) return; // the last counts stay on show
    if (!counters) {
        if (lacks(counters.error())) m_state.errors.reset(); // else the last counts stay
        return;
    }
    m_errorLast = counters.value();
    m_state.errors = m_tally->earlierErrors() + errorCounts(m_errorLast - m_errorBase);
}

void LineStatusMonitor::takeOutputs(const Dcb& dcb)
{
    m_state.dtr = outputLevel(dcb.fDtrControl, DTR_CONTROL_ENABLE, DTR_CONTROL_DISABLE);
    m_state.rts = outputLevel(dcb.fRtsControl, RTS_CONTROL_ENABLE, RTS_CONTROL_DISABLE);
}

void LineStatusMonitor::noteReceived(size_t bytes)
{
    m_tally->addReceived(bytes);
}

void LineStatusMonitor::noteSent(size_t bytes)
{
    m_tally->addSent(bytes);
}

Status LineStatusMonitor::setRts(bool on)
{
    return drive(on, EscapeFunction::SETRTS, EscapeFunction::CLRRTS, &LineState::rts);
}

Status LineStatusMonitor::setDtr(bool on)
{
    return drive(on, EscapeFunction::SETDTR, EscapeFunction::CLRDTR, &LineState::dtr);
}

void LineStatusMonitor::noteRts(bool on)
{
    note(on, &LineState::rts);
}

void LineStatusMonitor::noteDtr(bool on)
{
    note(on, &LineState::dtr);
}

Status LineStatusMonitor::drive(bool on, EscapeFunction raise, EscapeFunction drop, Level LineState::*line)
{
    if (auto e = m_port->escape(on ? raise : drop)) return e;
    note(on, line);
    return okStatus();
}

void LineStatusMonitor::note(bool on, Level LineState::*line)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_modemLines) m_state.*line = level(on);
    }
    m_wake.notify_all();
}

void LineStatusMonitor::resetCounters()
{
    const auto counters = m_port->lineCounters();
    {
        std::lock_guard lock(m_mutex);
        m_tally->reset();
        m_state.rxBytes = m_state.txBytes = 0;
        m_errorBase = counters ? counters.value() : m_errorLast;
        if (m_state.errors) m_state.errors = ErrorCounts {};
    }
    m_wake.notify_all();
}

} // namespace linestatus
