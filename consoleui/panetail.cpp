#include "panetail.h"

#include <QTextDocument>

PaneTail::PaneTail(QTextDocument* document)
    : m_document(document)
{
}

void PaneTail::replace(const QString& text, const QString& partial)
{
    QTextCursor at = partialIsLast() ? m_partial : QTextCursor(m_document);
    if (!at.hasSelection()) at.movePosition(QTextCursor::End);
    // The copy of the row's cursor must move along with what it inserts.
    at.setKeepPositionOnInsert(false);
    insert(at, text, partial);
}

void PaneTail::append(const QString& text)
{
    QTextCursor at(m_document);
    at.movePosition(QTextCursor::End);
    insert(at, text, {});
}

void PaneTail::insert(QTextCursor& at, const QString& text, const QString& partial)
{
    at.insertText(text + partial);
    // Counted back from the end: the pane's line limit may have taken
    // lines from the start meanwhile.
    m_partial = at;
    m_partial.setPosition(at.position() - int(partial.size()));
    m_partial.setPosition(at.position(), QTextCursor::KeepAnchor);
    // Typing behind the row must not widen the selection.
    m_partial.setKeepPositionOnInsert(true);
    m_shown = partial;
}

bool PaneTail::partialIsLast() const
{
    return !m_shown.isEmpty() && m_partial.hasSelection()
        && m_partial.selectionEnd() == m_document->characterCount() - 1 && m_partial.selectedText() == m_shown;
}
