#include "linestatuslink.h"

#include "linestatusstrip.h"

#include "console/consoletarget.h"
#include "portio/commtypes.h"
#include "res/commandids.h"

using linestatus::Level;
using linestatus::LineState;
using linestatus::LineStatusMonitor;

LineStatusLink::LineStatusLink(ConsoleTarget& target, StripSource strip)
    : m_target(target)
    , m_stripSource(std::move(strip))
{
}

LineStatusLink::~LineStatusLink()
{
    stop();
}

void LineStatusLink::watch(ConsoleSession::Events& events)
{
    events.connected = [this] { start(); };
    events.closing = [this] { stop(); };
    events.sent = [this](size_t n) { noteSent(n); };
    events.read = [this](size_t n) { noteReceived(n); };
    // On the session's own thread, like the strip. The text is in the line's
    // Latin-1, as the pane shows it.
    events.deviceChanged
        = [this, inner = std::move(events.deviceChanged)](DeviceChange change, const std::string& text) {
              if (inner) inner(change, text);
              attachStrip();
              if (m_strip) m_strip->setStatusText(QString::fromLatin1(text.data(), qsizetype(text.size())));
          };
}

template <class F> void LineStatusLink::withMonitor(F f)
{
    std::lock_guard lock(m_monitorMutex);
    if (m_monitor) f(*m_monitor);
}

void LineStatusLink::start()
{
    attachStrip();
    auto port = m_target.m_portCtx.portHandle;
    if (!port) return;
    LineStatusMonitor::Options options;
    options.tally = m_tally;
    auto monitor = std::make_unique<LineStatusMonitor>(
        port, [this](const LineState& s) { post(s); }, options);
    std::lock_guard lock(m_monitorMutex);
    m_monitor = std::move(monitor);
}

// The monitor lets go of the port before the close touches it; the strip
// keeps the last counts, with no line shown as known, and the next
// connection's monitor goes on from them.
void LineStatusLink::stop()
{
    std::unique_ptr<LineStatusMonitor> monitor;
    {
        std::lock_guard lock(m_monitorMutex);
        monitor = std::move(m_monitor);
    }
    if (!monitor) return;
    monitor->stop();
    LineState last = monitor->state();
    if (last.errors) m_tally->keepErrors(*last.errors);
    last.cts = last.dsr = last.dcd = last.ri = last.rts = last.dtr = Level::Unavailable;
    last.rxRate = last.txRate = 0;
    post(last);
}

void LineStatusLink::attachStrip()
{
    if (m_strip || !m_stripSource) return;
    m_strip = m_stripSource();
    if (!m_strip) return;
    connect(m_strip, &LineStatusStrip::rtsToggleRequested, this,
        [this](bool on) { requestLine(cmd::ID_ASSERT_RTS, cmd::ID_DROP_RTS, on); });
    connect(m_strip, &LineStatusStrip::dtrToggleRequested, this,
        [this](bool on) { requestLine(cmd::ID_ASSERT_DTR, cmd::ID_DROP_DTR, on); });
    connect(m_strip, &LineStatusStrip::resetRequested, this, &LineStatusLink::resetCounters);
    connect(
        m_strip, &LineStatusStrip::reconnectToggled, this, [this](bool on) { m_target.session().setReconnect(on); });
    m_target.session().setReconnect(m_strip->reconnectEnabled());
}

void LineStatusLink::noteReceived(size_t bytes)
{
    m_tally->addReceived(bytes);
    showIdleCounts();
}

void LineStatusLink::noteSent(size_t bytes)
{
    m_tally->addSent(bytes);
    showIdleCounts();
}

// Bytes moved while no monitor looks (the last chunk before a close, the
// input drained when the device went) are shown at once.
void LineStatusLink::showIdleCounts()
{
    {
        std::lock_guard lock(m_monitorMutex);
        if (m_monitor) return; // shown at its next look
    }
    LineState state;
    {
        std::lock_guard lock(m_stateMutex);
        state = m_latest;
    }
    state.rxBytes = m_tally->received();
    state.txBytes = m_tally->sent();
    post(state);
}

void LineStatusLink::modemLineSet(uint32_t controlCode)
{
    withMonitor([controlCode](LineStatusMonitor& m) {
        switch (controlCode) {
        case portio::IOCTL_SERIAL_SET_RTS:
            return m.noteRts(true);
        case portio::IOCTL_SERIAL_CLR_RTS:
            return m.noteRts(false);
        case portio::IOCTL_SERIAL_SET_DTR:
            return m.noteDtr(true);
        case portio::IOCTL_SERIAL_CLR_DTR:
            return m.noteDtr(false);
        default:
            return;
        }
    });
}

// The same request as the menu's command, with its failure message.
void LineStatusLink::requestLine(int raiseCommand, int dropCommand, bool on)
{
    m_target.runCommand(on ? raiseCommand : dropCommand);
}

void LineStatusLink::resetCounters()
{
    bool watching = false;
    withMonitor([&watching](LineStatusMonitor& m) {
        m.resetCounters();
        watching = true;
    });
    if (watching) return; // the monitor publishes the zeros itself
    m_tally->reset();
    std::lock_guard lock(m_stateMutex);
    m_latest.rxBytes = m_latest.txBytes = 0;
    if (m_latest.errors) m_latest.errors = linestatus::ErrorCounts {};
    if (m_strip) m_strip->setState(m_latest);
}

// On the monitor's thread: only the newest state waits, and one post at a
// time, however fast the states come.
void LineStatusLink::post(const LineState& state)
{
    std::lock_guard lock(m_stateMutex);
    m_latest = state;
    if (m_posted) return;
    m_posted = true;
    QMetaObject::invokeMethod(this, &LineStatusLink::show, Qt::QueuedConnection);
}

void LineStatusLink::show()
{
    LineState state;
    {
        std::lock_guard lock(m_stateMutex);
        state = m_latest;
        m_posted = false;
    }
    if (m_strip) m_strip->setState(state);
}
