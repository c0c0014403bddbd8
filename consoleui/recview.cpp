#include "recview.h"

#include "res/texts.h"

#include <QMetaObject>
#include <QScrollBar>
#include <QTextCursor>

CRecView::CRecView(QWidget* parent)
    : QPlainTextEdit(parent)
    , m_queue(MaxBacklog)
    , m_decoder(MaxLineLength)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setAccessibleName(QString::fromLatin1(txt::ReceivePaneName));
    setMaximumBlockCount(MaxLines);
    // An undo history of received data would grow without bound.
    setUndoRedoEnabled(false);
    m_drainTimer.setSingleShot(true);
    connect(&m_drainTimer, &QTimer::timeout, this, &CRecView::drainNow);
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
    // A byte after a quiet spell shows at once; while bytes stream, the queue
    // gathers them until a frame has passed since the last drain.
    const qint64 wait = m_sinceDrain.isValid() ? DrainIntervalMs - m_sinceDrain.elapsed() : 0;
    if (wait > 0)
        m_drainTimer.start(int(wait));
    else
        drainNow();
}

void CRecView::drainNow()
{
    m_drainTimer.stop();
    m_sinceDrain.start();
    auto batch = m_queue.take();
    if (batch.skipped > 0) {
        m_decoder.reset();
        appendText(
            QStringLiteral("\n") + QString::fromLatin1(txt::BytesNotShown).arg(batch.skipped) + QStringLiteral("\n"));
    }
    if (!batch.bytes.empty()) appendBytes(batch.bytes);
}

void CRecView::appendBytes(std::string_view bytes)
{
    QString text = m_decoder.decode(bytes);
    // What would scroll out before anyone could see it is not laid out.
    appendText(keepLastLines(text, MaxLines));
}

void CRecView::replaceText(const QString& text)
{
    setPlainText(text);
    m_decoder.reset();
}

void CRecView::appendText(const QString& text)
{
    if (text.isEmpty()) return;
    QScrollBar* bar = verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    if (following) bar->setValue(bar->maximum());
}

QString CRecView::keepLastLines(const QString& text, int lines)
{
    qsizetype pos = text.size();
    for (int i = 0; i < lines; ++i) {
        pos = text.lastIndexOf(QChar('\n'), pos - 1);
        if (pos <= 0) return text;
    }
    return text.mid(pos + 1);
}
