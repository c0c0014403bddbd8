#include "vesperlineview.h"

#include "commandtable.h"
#include "consoleframe.h"
#include "keyboardinput.h"
#include "receivethread.h"
#include "recview.h"
#include "res/texts.h"
#include "res/uiservices.h"
#include "statusbar.h"
#include "torturehook.h"

#include "portio/devicenamespace.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

#include <system_error>

CVesperlineView* g_pLatestView = nullptr;

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
    dcb.fOutxDsrFlow = dtrDsr;
    dcb.fDtrControl = dtrDsr ? portio::DTR_CONTROL_HANDSHAKE : portio::DTR_CONTROL_ENABLE;
    dcb.fOutxCtsFlow = rtsCts;
    dcb.fRtsControl = rtsCts ? portio::RTS_CONTROL_HANDSHAKE : portio::RTS_CONTROL_ENABLE;
    dcb.fOutX = xonXoff;
    dcb.fInX = xonXoff;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.XonLim = 100;
    dcb.XoffLim = 100;
    return dcb;
}

CVesperlineView::CVesperlineView(QWidget* parent)
    : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setAccessibleName(QString::fromLatin1(txt::ConsolePaneName));
    // Composed and input-method text is typed too.
    setAttribute(Qt::WA_InputMethodEnabled);
    InitPortContext();
    g_pLatestView = this;
}

CVesperlineView::~CVesperlineView()
{
    g_pLatestView = nullptr;
    if (m_portCtx.isConnected) ClosePort();
    stopTortureTestFromView();
}

int CVesperlineView::InitPortContext()
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

int CVesperlineView::OpenPort()
{
    const std::string path = "\\\\.\\" + m_portCtx.portName;
    auto opened = portio::DeviceNamespace::global().open(path, portio::Access::ReadWrite);
    if (!opened) {
        UiServices::current().messageBox(QString::fromLatin1(txt::PortCouldNotBeOpened));
        return 0;
    }
    m_portCtx.portHandle = std::shared_ptr<portio::Port>(std::move(opened.value()));
    portio::Port& port = *m_portCtx.portHandle;
    port.setCommMask(portio::EV_RXCHAR);
    port.setupComm(QueueSize, QueueSize);
    port.purge(portio::PURGE_ALL);
    port.setTimeouts(PortTimeouts);
    if (!ApplyLineSettings(&m_portCtx)) {
        m_portCtx.isConnected = 0;
        releasePort();
        return 0;
    }
    m_portCtx.isConnected = 1;
    m_portCtx.captureOn = 0;
    if (!startReceiveThread()) {
        m_portCtx.isConnected = 0;
        releasePort();
        return 0;
    }
    port.escape(portio::EscapeFunction::SETDTR);
    return 1;
}

int CVesperlineView::ApplyLineSettings(PortContext* ctx)
{
    if (!ctx || !ctx->portHandle) return 0;
    auto current = ctx->portHandle->getState();
    const portio::Dcb dcb = lineSettingsDcb(current ? *current : portio::Dcb {}, *ctx);
    return ctx->portHandle->setState(dcb).ok() ? 1 : 0;
}

bool CVesperlineView::startReceiveThread()
{
    CRecView* pane = recView();
    m_readerRunning = true;
    try {
        m_portCtx.readerThread = std::thread([this, pane] {
            ReceiveThreadProc(this, pane);
            m_readerRunning = false;
        });
    } catch (const std::system_error&) {
        m_readerRunning = false;
        return false;
    }
    return true;
}

int CVesperlineView::ClosePort()
{
    m_portCtx.isConnected = 0;
    if (auto port = m_portCtx.portHandle) {
        port->setCommMask(0); // releases the receive thread's wait
        port->escape(portio::EscapeFunction::CLRDTR);
        port->purge(portio::PURGE_ALL);
    }
    // The thread never waits for this thread, so joining cannot deadlock.
    if (m_portCtx.readerThread.joinable()) m_portCtx.readerThread.join();
    releasePort();
    StopCapture();
    return 1;
}

void CVesperlineView::releasePort()
{
    if (m_portCtx.portHandle) m_portCtx.portHandle->close();
    m_portCtx.portHandle.reset();
}

void CVesperlineView::StopCapture()
{
    if (m_portCtx.captureOn) {
        m_portCtx.captureOn = 0;
        m_portCtx.captureFile.close();
    }
    if (g_pStatusBar) g_pStatusBar->SetPaneText(CStatusBar::CapturePane, QString::fromLatin1(txt::CaptureNotActive));
}

bool CVesperlineView::runCommand(int id)
{
    const auto* handler = ConsoleCommandTable::instance().find(id);
    if (!handler) return false;
    (*handler)(*this);
    return true;
}

bool CVesperlineView::hasCommand(int id) const
{
    return ConsoleCommandTable::instance().find(id) != nullptr;
}

CRecView* CVesperlineView::recView() const
{
    return m_pSplitFrame ? m_pSplitFrame->recView() : nullptr;
}

QString CVesperlineView::documentTitle() const
{
    return m_pSplitFrame ? m_pSplitFrame->documentTitle() : QString();
}

void CVesperlineView::setDocumentTitle(const QString& title)
{
    if (m_pSplitFrame) m_pSplitFrame->setDocumentTitle(title);
}

void CVesperlineView::keyPressEvent(QKeyEvent* event)
{
    // The pane shows the key first; then the typed bytes go to the port.
    // Only what the key really types goes out: not the clipboard and undo keys.
    QPlainTextEdit::keyPressEvent(event);
    sendTyped(typedText(*event));
}

void CVesperlineView::inputMethodEvent(QInputMethodEvent* event)
{
    // Text still being composed (the preedit) is not typed yet; only the commit is.
    QPlainTextEdit::inputMethodEvent(event);
    sendTyped(latin1Text(event->commitString()));
}

void CVesperlineView::sendTyped(const TypedText& typed)
{
    // A character without a Latin-1 byte is left out rather than sent as some
    // other byte; the user is told, once for the keystroke or commit.
    if (typed.leftOut && m_portCtx.isConnected && g_pStatusBar)
        g_pStatusBar->showMessage(QString::fromLatin1(txt::NotSentOutsideLatin1));
    const auto& onChar = ConsoleCommandTable::instance().charHandler();
    if (!onChar) return;
    for (char c : typed.bytes)
        onChar(*this, static_cast<uint8_t>(c));
}

CVesperlineView::BusyScope::BusyScope(CVesperlineView& v)
    : view(v)
{
    ++view.m_busy;
    ++s_busyViews;
}

CVesperlineView::BusyScope::~BusyScope()
{
    --view.m_busy;
    --s_busyViews;
}
