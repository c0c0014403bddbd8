#pragma once

#include <QString>
#include <QTextCursor>

#include <climits>
#include <string>

class QTextDocument;

// Text cut at the front and grown at the end, in a block it keeps: cutting
// steps over the text, and what is kept moves to the front only when the
// block has no room left behind it. A QString cut and grown like this was
// often moved to a new block, whose pages were all new.
class HeldText {
public:
    QStringView view() const { return QStringView(m_text.data() + m_from, qsizetype(m_text.size() - m_from)); }
    bool empty() const { return m_from == m_text.size(); }
    void dropFront(qsizetype chars)
    {
        m_from += size_t(chars);
        if (!empty()) return;
        m_text.clear();
        m_from = 0;
    }
    void append(QStringView text)
    {
        if (m_from > 0 && m_text.capacity() - m_text.size() < size_t(text.size())) {
            m_text.erase(0, m_from);
            m_from = 0;
        }
        m_text.append(text.utf16(), size_t(text.size()));
    }
    // Keeps the first `chars`; nothing kept frees the block.
    void truncate(qsizetype chars)
    {
        if (chars > 0)
            m_text.resize(m_from + size_t(chars));
        else
            release();
    }
    void release()
    {
        std::u16string().swap(m_text); // assigning an empty string would keep the block
        m_from = 0;
    }

private:
    std::u16string m_text;
    size_t m_from = 0;
};

// The end of the receive pane's text, where the hex view's unfinished row is
// shown until the next update replaces it. Only while that row is still the
// last text of the pane: text the user typed behind it, or a notice, leaves
// it standing as it is.
//
// Each insertion also drops the oldest lines beyond `maxLines` itself, in the
// same edit: the document's own block limit steps over every line it drops
// with a cursor that lays the line out first, which cost a fast line most of
// the user-interface thread for text nobody would see.
//
// A text document takes about 2 us a line, so a fast line spent the pane's
// time on scrollback that the next frame's lines pushed out again. When asked
// to, an update of more than `shownAtOnce` lines puts only its last ones in
// the document and holds the older ones back, in order, before them; the next
// large update takes the held-back lines and the ones shown since together,
// so there is at most one such gap. `fillBack` puts held-back lines where they
// belong, the newest first. Held-back lines count against `maxLines`.
class PaneTail {
public:
    PaneTail(QTextDocument* document, int maxLines, int shownAtOnce = INT_MAX);

    // Puts `text` in place of the previous partial row (or at the end, when
    // it is not the last text any more), then `partial` behind it. With
    // `mayHoldBack`, lines above the last `shownAtOnce` may be held back.
    void replace(const QString& text, const QString& partial, bool mayHoldBack = false);
    // Appends `text`; a partial row before it stays.
    void append(const QString& text);

    // Puts up to `lines` of the held-back lines (the newest first) where they
    // belong; returns whether some are still held back.
    bool fillBack(int lines);
    int heldBackLines() const { return m_heldBackLines; }
    // The document's text was replaced: what was held back belongs to nothing.
    void forget()
    {
        m_heldBack.release();
        m_heldBackLines = 0;
    }

private:
    bool partialIsLast() const;
    void insert(QTextCursor& at, const QString& text, const QString& partial, bool mayHoldBack);
    qsizetype leadShown(const QTextCursor& at, const QString& text) const;
    void holdBack(const QTextCursor& at, QStringView lines);
    void placeGap(int position);
    void dropOldestBeyondLimit();
    void dropDocumentLines(int lines);
    QTextCursor end() const;

    QTextDocument* m_document;
    int m_maxLines;
    int m_shownAtOnce;
    QTextCursor m_partial; // selects the partial row while it is shown
    QString m_shown;
    // Lines not in the document yet, each ended by '\n'; they belong just
    // before `m_gap`, which stays in front of what is inserted there.
    HeldText m_heldBack;
    int m_heldBackLines = 0;
    QTextCursor m_gap;
};
