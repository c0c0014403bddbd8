#include "vesperlineview.h"

#include "console/torturehook.h"
#include "consoleframe.h"
#include "heldlayout.h"
#include "linestatuslink.h"
#include "panefont.h"
#include "portsettingsrun.h"
#include "recview.h"
#include "res/texts.h"
#include "res/uiservices.h"
#include "sendingdatadlg.h"
#include "statusbar.h"
#include "torture/tortureparamsdlg.h"
#include "torturedisplay.h"
#include "typedtext.h"

#include <QByteArray>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QTextDocument>

#include <algorithm>
#include <functional>
#include <new>

CVesperlineView* g_pLatestView = nullptr;

Q_LOGGING_CATEGORY(lcRx, "vesperline.rx", QtInfoMsg)

CVesperlineView::CVesperlineView(const ConsoleEnvironment& environment, QWidget* parent)
    : QPlainTextEdit(parent)
    , ConsoleTarget(environment)
{
    auto* text = new QTextDocument(this);
    m_layout = new HeldLayout(text);
    text->setDocumentLayout(m_layout);
    setDocument(text);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    useUnshapedFont(*this);
    setAccessibleName(QString::fromLatin1(txt::ConsolePaneName));
    // Composed and input-method text is typed too.
    setAttribute(Qt::WA_InputMethodEnabled);
    InitPortContext();
    m_lineStatus = std::make_unique<LineStatusLink>(
        *this, [this] { return m_pSplitFrame ? m_pSplitFrame->lineStatusStrip() : nullptr; });
    // Messages and the capture indicator from the start; the receive pane
    // joins at the open, once the frame has one.
    session().setEvents(sessionEvents());
    g_pLatestView = this;
}

CVesperlineView::~CVesperlineView()
{
    g_pLatestView = nullptr;
    if (m_portCtx.isConnected) ClosePort();
    session().setEvents({}); // nothing calls back into the parts going now
    stopTortureTestFromView();
}

ConsoleSession::Events CVesperlineView::sessionEvents()
{
    ConsoleSession::Events events;
    // The pane queues what the receive thread posts and shows it on its own
    // thread; the receive thread never waits for the user interface.
    events.received = [pane = recView()](std::string_view bytes) {
        qCDebug(lcRx) << QByteArray(bytes.data(), qsizetype(bytes.size()));
        if (pane) pane->post(bytes);
    };
    events.message = [&ui = ui()](const std::string& text) {
        ui.messageBox(QString::fromLatin1(text.data(), qsizetype(text.size())));
    };
    // The session changes its port only on this thread; the device watch's
    // reports come here through the event loop (dropped with the view).
    events.post = [this](std::function<void()> call) {
        QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
    };
    events.deviceChanged = [pane = recView()](DeviceChange, const std::string& text) {
        if (pane) pane->post("\r\n" + text + "\r\n"); // behind what came before the loss
    };
    events.captureIndicator = [](const std::string& text) {
        if (g_pStatusBar)
            g_pStatusBar->SetPaneText(
                CStatusBar::CapturePane, QString::fromLatin1(text.data(), qsizetype(text.size())));
    };
    m_lineStatus->watch(events);
    return events;
}

void CVesperlineView::modemLineSet(uint32_t controlCode)
{
    m_lineStatus->modemLineSet(controlCode);
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
    const TypedText typed = typedText(*event);
    if (onlyInsertsText(*event)) {
        QTextCursor typedAt;
        showThenSend([&] { typedAt = insertTyped(event->text()); }, typed);
        // The pane's cursor follows once the byte has gone: placing it
        // measures the line.
        setTextCursor(typedAt);
        event->accept();
        return;
    }
    showThenSend([&] { QPlainTextEdit::keyPressEvent(event); }, typed);
}

// A printable key with no modifier but Shift does nothing but insert its
// text. Inserted here, it skips the text control's comparison of the key with
// every standard key binding, which costs more than the write of its byte.
bool CVesperlineView::onlyInsertsText(const QKeyEvent& event) const
{
    if (isReadOnly() || overwriteMode()) return false;
    if (event.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) return false;
    const QString text = event.text();
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
}

// As the text control inserts a typed key: at the cursor, replacing the
// selection, one undo step with the keys typed just before it; the caller
// places the pane's cursor. Inside an edit block the cursor does not shape
// the line to remember its x (it does when next moved up or down); a key
// typed where the last one ended, with nothing changed since, joins that
// key's block.
QTextCursor CVesperlineView::insertTyped(const QString& text)
{
    QTextCursor cursor = textCursor();
    const TypedRun here { document()->revision(), cursor.position() };
    if (!cursor.hasSelection() && here == m_typedRun)
        cursor.joinPreviousEditBlock();
    else
        cursor.beginEditBlock();
    cursor.insertText(text);
    cursor.endEditBlock();
    m_typedRun = { document()->revision(), cursor.position() };
    return cursor;
}

void CVesperlineView::inputMethodEvent(QInputMethodEvent* event)
{
    // Text still being composed (the preedit) is not typed yet; only the commit is.
    const TypedText typed = latin1Text(event->commitString());
    showThenSend([&] { QPlainTextEdit::inputMethodEvent(event); }, typed);
}

void CVesperlineView::showThenSend(const std::function<void()>& show, const TypedText& typed)
{
    // The key's text is in the pane before its byte goes out, but shaping the
    // line takes several times as long as the write: the layout waits until
    // the byte has gone.
    m_layout->hold();
    show();
    sendTyped(typed);
    m_layout->release();
    ensureCursorVisible(); // with the line laid out as it is now
}

void CVesperlineView::paintEvent(QPaintEvent* event)
{
    // A write the driver holds back keeps the windows painted while it waits:
    // the key it is for shows in full meanwhile.
    m_layout->release();
    QPlainTextEdit::paintEvent(event);
}

void CVesperlineView::sendTyped(const TypedText& typed)
{
    // A character without a Latin-1 byte is left out rather than sent as some
    // other byte; the user is told, once for the keystroke or commit.
    if (typed.leftOut && m_portCtx.isConnected && g_pStatusBar)
        g_pStatusBar->showMessage(QString::fromLatin1(txt::NotSentOutsideLatin1));
    for (char c : typed.bytes)
        typeByte(static_cast<uint8_t>(c));
}

void CVesperlineView::chooseLineSettings()
{
    runPortSettingsDialog(ui(), m_portCtx, documentTitle());
}

void CVesperlineView::editTortureParams()
{
    CTortureParamsDlg::instance().doModal(ui());
}

void CVesperlineView::followTortureRun()
{
    TortureDisplay::instance().follow();
}

namespace {

// The "Sending data" window for as long as the notice lives.
class SendingNotice final : public BusyNotice {
public:
    SendingNotice() { m_window.showCentred(); }
    ~SendingNotice() override { m_window.hide(); }

private:
    SendingDataDlg m_window;
};

} // namespace

std::unique_ptr<BusyNotice> CVesperlineView::showSendingNotice()
{
    try {
        return std::make_unique<SendingNotice>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
