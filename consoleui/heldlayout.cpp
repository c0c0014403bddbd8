#include "heldlayout.h"

#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>

HeldLayout::HeldLayout(QTextDocument* document)
    : QPlainTextDocumentLayout(document)
{
}

void HeldLayout::release()
{
    m_held = false;
    if (m_from < 0) return;
    const int from = m_from;
    m_from = -1;
    QPlainTextDocumentLayout::documentChanged(from, m_removed, m_added);
}

QRectF HeldLayout::blockBoundingRect(const QTextBlock& block) const
{
    if (m_held && block.isValid() && block.layout()->lineCount() == 0) return {};
    return QPlainTextDocumentLayout::blockBoundingRect(block);
}

void HeldLayout::documentChanged(int from, int charsRemoved, int charsAdded)
{
    if (!m_held) {
        QPlainTextDocumentLayout::documentChanged(from, charsRemoved, charsAdded);
        return;
    }
    if (m_from < 0) {
        m_from = from;
        m_removed = charsRemoved;
        m_added = charsAdded;
        return;
    }
    // One range that covers both changes: what it replaced in the document
    // before the first, and what it holds now.
    const int start = std::min(m_from, from);
    const int end = std::max(m_from + m_added, from + charsRemoved); // before this change
    m_removed += (end - (m_from + m_added)) + (m_from - start);
    m_added = end - start - charsRemoved + charsAdded;
    m_from = start;
}
