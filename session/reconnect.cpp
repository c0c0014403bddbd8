// ConsoleSession: when the port's device goes, and when it comes back.
#include "consolesession.h"

#include "reconnectwatch.h"
#include "res/texts.h"

#include "portio/devicenamespace.h"

#include <algorithm>
#include <string_view>

namespace {

// A device that is back but not ready is tried again soon, then less often.
constexpr std::chrono::milliseconds FirstRetry { 100 };
constexpr std::chrono::milliseconds LongestRetry { 2000 };

// Only a node in the file system can be watched (not a board or remote port).
bool watchable(const std::string& target)
{
    return target.starts_with('/');
}

} // namespace

void ConsoleSession::watchDevice()
{
    if (!m_events.post) return;
    auto target = m_devices.query(m_portCtx.portName);
    if (!target || !watchable(*target)) return;
    m_devicePath = *target;
    m_watch = std::make_unique<ReconnectWatch>(m_devicePath, m_events.post, [this](bool back) { deviceEvent(back); });
}

// On the receive thread, out of its loop: a port that no longer answers has
// lost its device, even where its node stays.
void ConsoleSession::readerEnded()
{
    if (!m_watch || !m_portCtx.portHandle) return;
    auto stat = m_portCtx.portHandle->clearCommError();
    if (!stat) m_watch->noteError(stat.error());
}

// On the owner thread.
void ConsoleSession::deviceEvent(bool back)
{
    if (!m_portCtx.isConnected) return;
    if (!back) {
        m_retryDelay = {};
        if (!m_waiting) dropPort();
    } else if (m_reconnect) {
        if (!m_waiting) dropPort(); // a node replaced at once: the old device is gone
        reopenPort();
    }
}

void ConsoleSession::setReconnect(bool on)
{
    m_reconnect = on;
    if (on && m_waiting && m_watch && m_watch->present()) reopenPort();
}

// Lets the port go but keeps the connection: the settings, the capture and
// everything the receive thread had already read.
void ConsoleSession::dropPort()
{
    if (m_portCtx.portHandle && m_events.closing) m_events.closing();
    m_portCtx.isConnected = 0;
    if (auto port = m_portCtx.portHandle) port->setCommMask(0);
    if (m_portCtx.readerThread.joinable()) m_portCtx.readerThread.join();
    drainInput();
    releasePort();
    m_portCtx.isConnected = 1;
    m_waiting = true;
    tellDevice(DeviceChange::Disconnected);
}

// What was waiting in the input queue goes on like any received chunk; only
// that much, as a device that still sends would keep this going.
void ConsoleSession::drainInput()
{
    if (!m_portCtx.portHandle) return;
    auto stat = m_portCtx.portHandle->clearCommError();
    uint32_t left = stat ? stat->cbInQue : 0;
    uint8_t buffer[RxChunkSize];
    while (left > 0) {
        const uint32_t n = ReadChunk(&m_portCtx, buffer, std::min(left, RxChunkSize));
        if (n == 0) break;
        left -= n;
        if (m_events.read) m_events.read(n);
        if (m_portCtx.captureOn) m_portCtx.captureFile.write(buffer, n);
        if (m_events.received) m_events.received(std::string_view(reinterpret_cast<const char*>(buffer), n));
    }
}

// The same open as the first one, with the settings the context holds, but
// the capture goes on. A device that cannot be opened yet leaves the session
// waiting, and is tried again.
void ConsoleSession::reopenPort()
{
    if (openConfigured() <= 0) return retryReopen();
    m_retryDelay = {};
    m_waiting = false;
    // Said before the thread starts, so that it comes before the new bytes.
    tellDevice(DeviceChange::Reconnected);
    if (m_events.connected) m_events.connected();
    if (!startReceiveThread()) {
        if (m_events.closing) m_events.closing();
        releasePort();
        m_waiting = true;
        return retryReopen();
    }
    // The settings already gave RTS and DTR the user's levels.
    if (m_portCtx.dtrChosen.value_or(true)) m_portCtx.portHandle->escape(portio::EscapeFunction::SETDTR);
}

// Said once per return of the device; the watch asks again, each time a
// little later, until the open works, the device goes or the port is closed.
void ConsoleSession::retryReopen()
{
    if (!m_watch) return;
    if (m_retryDelay.count() == 0) tellDevice(DeviceChange::Retrying);
    m_retryDelay = std::clamp(m_retryDelay * 2, FirstRetry, LongestRetry);
    m_watch->retryLater(m_retryDelay);
}

void ConsoleSession::tellDevice(DeviceChange change)
{
    if (!m_events.deviceChanged) return;
    const char* format = change == DeviceChange::Disconnected ? txt::PortDisconnected
        : change == DeviceChange::Reconnected                 ? txt::PortReconnected
                                                              : txt::PortReopenRetrying;
    m_events.deviceChanged(change, receiveStopLine(format, m_portCtx.portName, m_devicePath));
}
