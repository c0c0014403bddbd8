#include "consolesession.h"

#include "reconnectwatch.h"
#include "res/texts.h"

#include "portio/devicenamespace.h"
#include "portio/devicepath.h"

#include <system_error>

namespace {

constexpr uint32_t QueueSize = 4096;
// A read returns at once with what is waiting (at most one second when
// nothing is); a write never takes longer than one second.
constexpr portio::CommTimeouts PortTimeouts { portio::MAXDWORD, 0, 1000, 0, 1000 };

} // namespace

portio::Dcb lineSettingsDcb(portio::Dcb dcb, const PortContext& ctx)
{
    dcb.BaudRate = ctx.baudRate;
    dcb.ByteSize = ctx.dataBits;
    dcb.Parity = ctx.parityCode;
    dcb.StopBits = ctx.stopBitsCode;
    dcb.fBinary = true;
    dcb.fParity = true;
    const bool dtrDsr = ctx.flowFlags & FLOW_DTR_DSR;
    const bool rtsCts = ctx.flowFlags & FLOW_RTS_CTS;
    const bool xonXoff = ctx.flowFlags & FLOW_XON_XOFF;
    const bool dtrOn = ctx.dtrChosen.value_or(true), rtsOn = ctx.rtsChosen.value_or(true);
    dcb.fOutxDsrFlow = dtrDsr;
    dcb.fDtrControl = dtrDsr ? portio::DTR_CONTROL_HANDSHAKE
        : dtrOn              ? portio::DTR_CONTROL_ENABLE
                             : portio::DTR_CONTROL_DISABLE;
    dcb.fOutxCtsFlow = rtsCts;
    dcb.fRtsControl = rtsCts ? portio::RTS_CONTROL_HANDSHAKE
        : rtsOn              ? portio::RTS_CONTROL_ENABLE
                             : portio::RTS_CONTROL_DISABLE;
    dcb.fOutX = xonXoff;
    dcb.fInX = xonXoff;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.XonLim = 100;
    dcb.XoffLim = 100;
    return dcb;
}

void rememberOutput(PortContext& ctx, uint32_t controlCode)
{
    switch (controlCode) {
    case portio::IOCTL_SERIAL_SET_RTS:
    case portio::IOCTL_SERIAL_CLR_RTS:
        ctx.rtsChosen = controlCode == portio::IOCTL_SERIAL_SET_RTS;
        return;
    case portio::IOCTL_SERIAL_SET_DTR:
    case portio::IOCTL_SERIAL_CLR_DTR:
        ctx.dtrChosen = controlCode == portio::IOCTL_SERIAL_SET_DTR;
        return;
    default:
        return;
    }
}

portio::IoResult writeWhole(portio::Port& port, const void* buffer, size_t n)
{
    const portio::IoResult result = port.write(buffer, n);
    if (!result.ok()) port.clearCommError();
    return result;
}

ConsoleSession::ConsoleSession(portio::DeviceNamespace& devices, Events events)
    : m_devices(devices)
    , m_events(std::move(events))
{
    InitPortContext();
}

ConsoleSession::~ConsoleSession()
{
    if (m_portCtx.isConnected) ClosePort();
}

int ConsoleSession::InitPortContext()
{
    m_portCtx.portHandle.reset();
    m_portCtx.portName = txt::NoPortName;
    m_portCtx.isConnected = 0;
    m_portCtx.reportLineErrors = 1;
    m_portCtx.captureOn = 0;
    m_portCtx.dataBits = 8;
    m_portCtx.flowFlags = 0;
    m_portCtx.parityCode = 0;
    m_portCtx.stopBitsCode = 0;
    m_portCtx.baudRate = 9600;
    return 1;
}

int ConsoleSession::OpenPort()
{
    m_portCtx.rtsChosen.reset(); // a new connection starts as the open leaves the lines
    m_portCtx.dtrChosen.reset();
    const int opened = openConfigured();
    if (opened < 0 && m_events.message) m_events.message(txt::PortCouldNotBeOpened);
    if (opened <= 0) return 0;
    m_portCtx.isConnected = 1;
    m_portCtx.captureOn = 0;
    watchDevice();
    // Before the receive thread: whoever counts its bytes misses none.
    if (m_events.connected) m_events.connected();
    if (!startReceiveThread()) {
        m_portCtx.isConnected = 0;
        if (m_events.closing) m_events.closing();
        m_watch.reset();
        releasePort();
        return 0;
    }
    m_portCtx.portHandle->escape(portio::EscapeFunction::SETDTR);
    return 1;
}

// Opens the port named by the context and applies its settings: 1; 0 when
// the settings are refused (the port is closed again); -1 when it cannot be
// opened.
int ConsoleSession::openConfigured()
{
    auto opened = m_devices.open(portio::devicePath(m_portCtx.portName), portio::Access::ReadWrite);
    if (!opened) return -1;
    m_portCtx.portHandle = std::shared_ptr<portio::Port>(std::move(opened.value()));
    portio::Port& port = *m_portCtx.portHandle;
    port.setCommMask(portio::EV_RXCHAR);
    port.setupComm(QueueSize, QueueSize);
    port.purge(portio::PURGE_ALL);
    port.setTimeouts(PortTimeouts);
    if (ApplyLineSettings(&m_portCtx)) return 1;
    releasePort();
    return 0;
}

int ConsoleSession::ApplyLineSettings(PortContext* ctx)
{
    if (!ctx || !ctx->portHandle) return 0;
    auto current = ctx->portHandle->getState();
    const portio::Dcb dcb = lineSettingsDcb(current ? *current : portio::Dcb {}, *ctx);
    return ctx->portHandle->setState(dcb).ok() ? 1 : 0;
}

bool ConsoleSession::startReceiveThread()
{
    m_readerRunning = true;
    try {
        m_portCtx.readerThread = std::thread([this, sink = m_events.received, counted = m_events.read] {
            ReceiveThreadProc(m_portCtx, sink, counted);
            if (m_portCtx.isConnected) readerEnded(); // by itself: the port may be gone
            m_readerRunning = false;
        });
    } catch (const std::system_error&) {
        m_readerRunning = false;
        return false;
    }
    return true;
}

int ConsoleSession::ClosePort()
{
    if (m_portCtx.portHandle && m_events.closing) m_events.closing();
    m_portCtx.isConnected = 0;
    if (auto port = m_portCtx.portHandle) {
        port->setCommMask(0); // releases the receive thread's wait
        port->escape(portio::EscapeFunction::CLRDTR);
        port->purge(portio::PURGE_ALL);
    }
    // The thread never waits for this thread, so joining cannot deadlock.
    if (m_portCtx.readerThread.joinable()) m_portCtx.readerThread.join();
    m_watch.reset(); // after the join: the thread may still have noted an error
    m_waiting = false;
    m_retryDelay = {};
    releasePort();
    StopCapture();
    return 1;
}

void ConsoleSession::releasePort()
{
    if (m_portCtx.portHandle) m_portCtx.portHandle->close();
    m_portCtx.portHandle.reset();
}

bool ConsoleSession::StartCapture(const std::string& path, std::string* error, CaptureFile::FailureHandler onFailure)
{
    if (!m_portCtx.captureFile.open(path, error, std::move(onFailure))) return false;
    m_portCtx.captureOn = 1;
    if (m_events.captureIndicator) m_events.captureIndicator(txt::CaptureActive);
    return true;
}

void ConsoleSession::StopCapture()
{
    if (m_portCtx.captureOn) {
        m_portCtx.captureOn = 0;
        m_portCtx.captureFile.close();
    }
    if (m_events.captureIndicator) m_events.captureIndicator(txt::CaptureNotActive);
}

portio::IoResult ConsoleSession::write(const void* buffer, size_t n)
{
    // Held for the whole write: a close from another thread cannot free it under us.
    const std::shared_ptr<portio::Port> port = m_portCtx.portHandle;
    if (!port || !m_portCtx.isConnected)
        return { 0, portio::PortError { portio::ErrorCode::InvalidArgument, 0, "not connected" } };
    const portio::IoResult result = writeWhole(*port, buffer, n);
    if (result.count > 0) noteSent(result.count);
    return result;
}
