#include "panetail.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace {

// Where the last `n` lines of `s` begin (lines ended by '\n'; text after the
// last one belongs to the last line); 0 when `s` has no more than that.
qsizetype startOfLastLines(QStringView s, int n)
{
    qsizetype pos = s.size();
    for (int i = 0; i <= n; ++i) {
        if (pos <= 0) return 0;
        pos = s.lastIndexOf(QChar('\n'), pos - 1);
        if (pos < 0) return 0;
    }
    return pos + 1;
}

// Where the first `n` lines of `s` end (after their '\n'); the end of `s`
// when it has no more than that.
qsizetype endOfFirstLines(QStringView s, int n)
{
    qsizetype pos = 0;
    for (int i = 0; i < n; ++i) {
        pos = s.indexOf(QChar('\n'), pos);
        if (pos < 0) return s.size();
        ++pos;
    }
    return pos;
}

} // namespace

PaneTail::PaneTail(QTextDocument* document, int maxLines, int shownAtOnce)
    : m_document(document)
    , m_maxLines(maxLines)
    , m_shownAtOnce(shownAtOnce)
{
}

void PaneTail::replace(const QString& text, const QString& partial, bool mayHoldBack)
{
    QTextCursor at = partialIsLast() ? m_partial : end();
    // The copy of the row's cursor must move along with what it inserts.
    at.setKeepPositionOnInsert(false);
    insert(at, text, partial, mayHoldBack);
}

void PaneTail::append(const QString& text)
{
    QTextCursor at = end();
    insert(at, text, {}, false);
}

QTextCursor PaneTail::end() const
{
    // Placed, not moved there: moving a cursor lays out the line it leaves.
    QTextCursor at(m_document);
    at.setPosition(m_document->characterCount() - 1);
    return at;
}

void PaneTail::insert(QTextCursor& at, const QString& text, const QString& partial, bool mayHoldBack)
{
    // One edit: the layout hears of the whole change once, and the cursors
    // do not measure lines while it is made.
    at.beginEditBlock();
    const qsizetype split = mayHoldBack ? startOfLastLines(text, m_shownAtOnce) : 0;
    const qsizetype lead = split > 0 ? leadShown(at, text) : 0;
    const bool holding = split > lead;
    if (holding) holdBack(at, QStringView(text).mid(lead, split - lead));
    const int start = at.selectionStart();
    const QString shown = holding ? text.left(lead) + text.mid(split) : text;
    at.insertText(partial.isEmpty() ? shown : shown + partial);
    if (holding) placeGap(start + int(lead));
    m_partial = at;
    m_partial.setPosition(at.position() - int(partial.size()));
    m_partial.setPosition(at.position(), QTextCursor::KeepAnchor);
    // Typing behind the row must not widen the selection.
    m_partial.setKeepPositionOnInsert(true);
    m_shown = partial;
    dropOldestBeyondLimit();
    at.endEditBlock();
}

qsizetype PaneTail::leadShown(const QTextCursor& at, const QString& text) const
{
    // Held-back lines begin a line of their own: text that goes on from an
    // unfinished line finishes it first, or the two halves would be joined
    // until the lines are filled in. Behind lines already held back, the
    // gap is where those go, at the start of a line.
    const int from = at.selectionStart();
    if (!m_heldBack.empty() || m_document->findBlock(from).position() == from) return 0;
    return text.indexOf(QChar('\n')) + 1;
}

void PaneTail::holdBack(const QTextCursor& at, QStringView lines)
{
    if (!m_heldBack.empty()) {
        // What was shown since the last held-back lines goes back behind
        // them, so that this update's held-back lines follow on directly.
        QTextCursor since(m_document);
        since.setPosition(std::min(m_gap.position(), at.selectionStart()));
        since.setPosition(at.selectionStart(), QTextCursor::KeepAnchor);
        const QString shownSince = since.selectedText().replace(QChar::ParagraphSeparator, QChar('\n'));
        m_heldBack.append(shownSince);
        m_heldBackLines += int(shownSince.count(QChar('\n')));
        since.removeSelectedText();
    }
    // Held-back lines the limit would drop at the end of this update are
    // dropped before the new ones are added, not copied along with them: a
    // fast line brings nearly a limit's worth each frame. The lines of the
    // document before the gap are older still, and go then in any case.
    const int incoming = int(lines.count(QChar('\n')));
    const int over = std::min(m_heldBackLines + incoming - m_maxLines, m_heldBackLines);
    if (over > 0) {
        m_heldBack.dropFront(endOfFirstLines(m_heldBack.view(), over));
        m_heldBackLines -= over;
    }
    m_heldBack.append(lines);
    m_heldBackLines += incoming;
}

void PaneTail::placeGap(int position)
{
    m_gap = QTextCursor(m_document);
    m_gap.setPosition(position);
    // What is filled in goes before the gap's cursor, the newest first.
    m_gap.setKeepPositionOnInsert(true);
}

bool PaneTail::fillBack(int lines)
{
    if (m_heldBack.empty()) return false;
    const qsizetype from = startOfLastLines(m_heldBack.view(), lines);
    QTextCursor at(m_document);
    at.setPosition(m_gap.position());
    at.beginEditBlock();
    const QString filled = m_heldBack.view().mid(from).toString();
    at.insertText(filled);
    at.endEditBlock();
    m_heldBackLines -= int(filled.count(QChar('\n')));
    m_heldBack.truncate(from);
    return !m_heldBack.empty();
}

void PaneTail::dropOldestBeyondLimit()
{
    int excess = m_document->blockCount() + m_heldBackLines - m_maxLines;
    if (excess <= 0) return;
    if (!m_heldBack.empty()) {
        // The oldest lines are the document's before the gap, then the
        // held-back ones.
        const int before = std::min(excess, m_gap.block().blockNumber());
        dropDocumentLines(before);
        excess -= before;
        const int lines = std::min(excess, m_heldBackLines);
        m_heldBack.dropFront(endOfFirstLines(m_heldBack.view(), lines));
        excess -= lines;
        m_heldBackLines -= lines;
    }
    if (excess > 0) dropDocumentLines(excess);
}

void PaneTail::dropDocumentLines(int lines)
{
    if (lines <= 0) return;
    QTextCursor oldest(m_document);
    oldest.setPosition(m_document->findBlockByNumber(lines).position(), QTextCursor::KeepAnchor);
    oldest.removeSelectedText();
}

bool PaneTail::partialIsLast() const
{
    return !m_shown.isEmpty() && m_partial.hasSelection()
        && m_partial.selectionEnd() == m_document->characterCount() - 1 && m_partial.selectedText() == m_shown;
}
