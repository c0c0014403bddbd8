#include "panetail.h"

#include <QTextBlock>
#include <QTextDocument>

PaneTail::PaneTail(QTextDocument* document, int maxLines)
    : m_document(document)
    , m_maxLines(maxLines)
{
}

void PaneTail::replace(const QString& text, const QString& partial)
{
    QTextCursor at = partialIsLast() ? m_partial : end();
    // The copy of the row's cursor must move along with what it inserts.
    at.setKeepPositionOnInsert(false);
    insert(at, text, partial);
}

void PaneTail::append(const QString& text)
{
    QTextCursor at = end();
    insert(at, text, {});
}

QTextCursor PaneTail::end() const
{
    // Placed, not moved there: moving a cursor lays out the line it leaves.
    QTextCursor at(m_document);
    at.setPosition(m_document->characterCount() - 1);
    return at;
}

void PaneTail::insert(QTextCursor& at, const QString& text, const QString& partial)
{
    // One edit: the layout hears of the whole change once, and the cursors
    // do not measure lines while it is made.
    at.beginEditBlock();
    at.insertText(partial.isEmpty() ? text : text + partial);
    m_partial = at;
    m_partial.setPosition(at.position() - int(partial.size()));
    m_partial.setPosition(at.position(), QTextCursor::KeepAnchor);
    // Typing behind the row must not widen the selection.
    m_partial.setKeepPositionOnInsert(true);
    m_shown = partial;
    dropOldestBeyondLimit();
    at.endEditBlock();
}

void PaneTail::dropOldestBeyondLimit()
{
    const int excess = m_document->blockCount() - m_maxLines;
    if (excess <= 0) return;
    QTextCursor oldest(m_document);
    oldest.setPosition(m_document->findBlockByNumber(excess).position(), QTextCursor::KeepAnchor);
    oldest.removeSelectedText();
}

bool PaneTail::partialIsLast() const
{
    return !m_shown.isEmpty() && m_partial.hasSelection()
        && m_partial.selectionEnd() == m_document->characterCount() - 1 && m_partial.selectedText() == m_shown;
}
