#include "recview.h"

#include "allocator.h"
#include "panefont.h"
#include "res/texts.h"

#include <QAccessible>
#include <QMetaObject>
#include <QScrollBar>
#include <QTextCursor>

#include <algorithm>
#include <chrono>
#include <climits>
#include <optional>
#include <utility>

CRecView::CRecView(QWidget* parent)
    : QPlainTextEdit(parent)
    , m_queue(MaxBacklog)
    , m_formatter(MaxLineLength, MaxLines)
    , m_tail(document(), MaxLines, ShownAtOnce)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    useUnshapedFont(*this);
    setAccessibleName(QString::fromLatin1(txt::ReceivePaneName));
    setMaximumBlockCount(MaxLines);
    // An undo history of received data would grow without bound.
    setUndoRedoEnabled(false);
    m_drainTimer.setSingleShot(true);
    connect(&m_drainTimer, &QTimer::timeout, this, &CRecView::drainWhenDue);
    QScrollBar* bar = verticalScrollBar();
    // Dragging or clicking the scroll bar moves through the whole scrollback.
    connect(bar, &QScrollBar::actionTriggered, this, [this] { fillBack(INT_MAX); });
    connect(bar, &QScrollBar::sliderPressed, this, [this] { fillBack(INT_MAX); });
    // The bar's range catches up with the text after the update that grew
    // it: a pane that shows the end follows it there, instead of being left
    // a line short and then taken for one the user scrolled up.
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int max) {
        if (m_following) bar->setValue(max);
    });
    connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) { m_following = value == bar->maximum(); });
    m_fillTimer.setSingleShot(true);
    connect(&m_fillTimer, &QTimer::timeout, this, [this] { fillBack(FillSliceLines); });
    m_trimTimer.setSingleShot(true);
    connect(&m_trimTimer, &QTimer::timeout, this, [this] {
        m_sinceTrim = 0;
        m_queue.dropSpare();
        m_formatter.dropSpare();
        returnFreeMemoryToTheSystem();
    });
}

void CRecView::post(const void* data, size_t n)
{
    if (n == 0 || !m_queue.push(data, n)) return;
    // Posted to this object: if the pane is gone before the event is
    // delivered, Qt drops the event with it. The receive thread is joined
    // before the pane is destroyed, so `this` is alive while we post.
    QMetaObject::invokeMethod(this, &CRecView::drainWhenDue, Qt::QueuedConnection);
}

void CRecView::drainWhenDue()
{
    // A byte after a quiet spell shows at once. While bytes stream, the queue
    // gathers them until a frame has passed since the last drain; the end of
    // a burst shows as soon as the line has gone quiet, not a frame later.
    // A line so fast that half a backlog comes within the frame is taken at
    // once: waiting would drop bytes the pane has the time to show.
    if (!m_sinceDrain.isValid() || m_queue.halfFull()) return drainNow();
    const qint64 sinceDrain = m_sinceDrain.elapsed();
    const qint64 quiet = std::chrono::duration_cast<std::chrono::milliseconds>(m_queue.sinceLastPush()).count();
    if (sinceDrain >= DrainIntervalMs || (sinceDrain >= MinDrainGapMs && quiet >= QuietMs)) return drainNow();
    const qint64 untilQuiet = std::max(QuietMs - quiet, MinDrainGapMs - sinceDrain);
    m_drainTimer.start(int(std::min(DrainIntervalMs - sinceDrain, untilQuiet)));
}

void CRecView::drainNow()
{
    m_drainTimer.stop();
    m_sinceDrain.start();
    auto batch = m_queue.take();
    if (batch.skipped > 0) {
        m_formatter.skip(batch.skipped);
        // Bytes dropped ahead of a batch whose own lines fill the pane would
        // have scrolled out unseen: the pane shows what it would have shown
        // had it taken them, and there is no gap to tell of.
        if (m_formatter.fillsPane(batch.bytes)) {
            m_unseen += batch.skipped;
        } else {
            m_notShown += batch.skipped;
            appendText(QStringLiteral("\n") + QString::fromLatin1(txt::BytesNotShown).arg(batch.skipped)
                + QStringLiteral("\n"));
        }
    }
    if (!batch.bytes.empty()) appendBytes(batch.bytes);
    // A stream's batches and their text are freed, but glibc keeps what
    // its arenas held; a window that streamed a gigabyte would keep holding
    // what the busiest moment needed.
    m_sinceTrim += batch.bytes.size();
    if (m_sinceTrim >= TrimAfterBytes) m_trimTimer.start(QuietBeforeTrimMs);
    m_queue.giveBack(std::move(batch.bytes));
}

void CRecView::appendBytes(std::string_view bytes)
{
    const RecFormatter::Output out = m_formatter.format(bytes);
    // What would scroll out before anyone could see it is not laid out.
    appendText(keepLastLines(out.text, MaxLines), out.partial, true);
}

void CRecView::replaceText(const QString& text)
{
    m_tail.forget();
    setPlainText(text);
    m_following = true;
    m_formatter.restart();
}

void CRecView::appendText(const QString& text, const QString& partial, bool replacesPartial)
{
    if (text.isEmpty() && partial.isEmpty()) return;
    const bool atEnd = m_following;
    // Lines are held back only from a pane that shows the end and whose
    // text nobody is selecting, and not while a screen reader or automation
    // may read it: such a client reads the text, not the screen.
    const bool reader = assistiveClientActive();
    if (reader) fillBack(INT_MAX);
    if (replacesPartial)
        m_tail.replace(text, partial, atEnd && !textCursor().hasSelection() && !reader);
    else
        m_tail.append(text);
    if (atEnd) verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    if (m_tail.heldBackLines() > 0) m_fillTimer.start(2 * DrainIntervalMs);
}

namespace {
std::optional<bool> g_assistiveClient;
}

void CRecView::setAssistiveClientForTest(std::optional<bool> active)
{
    g_assistiveClient = active;
}

bool CRecView::assistiveClientActive()
{
    return g_assistiveClient ? *g_assistiveClient : QAccessible::isActive();
}

void CRecView::fillBack(int lines)
{
    if (m_tail.heldBackLines() == 0) return;
    const bool atEnd = m_following;
    const bool more = m_tail.fillBack(lines);
    if (atEnd) verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    if (more) m_fillTimer.start(0);
}

// Whatever the user does to the text (type, select, copy, scroll back) sees
// all of it. Keys come to the pane (a shortcut such as the Edit menu's Copy
// is offered to it first), the mouse and the wheel to its viewport.
bool CRecView::event(QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::ShortcutOverride || type == QEvent::InputMethod) fillBack(INT_MAX);
    return QPlainTextEdit::event(event);
}

bool CRecView::viewportEvent(QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick || type == QEvent::Wheel
        || type == QEvent::ContextMenu)
        fillBack(INT_MAX);
    return QPlainTextEdit::viewportEvent(event);
}

QString CRecView::keepLastLines(const QString& text, int lines)
{
    qsizetype pos = text.size();
    for (int i = 0; i < lines; ++i) {
        pos = text.lastIndexOf(QChar('\n'), pos - 1);
        if (pos <= 0) return text;
    }
    // The line break stays: it ends the line the pane shows last, which
    // would otherwise run on into the first line kept.
    return text.mid(pos);
}
