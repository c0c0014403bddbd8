#pragma once

#include <QString>
#include <QTextCursor>

class QTextDocument;

// The end of the receive pane's text, where the hex view's unfinished row is
// shown until the next update replaces it. Only while that row is still the
// last text of the pane: text the user typed behind it, or a notice, leaves
// it standing as it is.
//
// Each insertion also drops the oldest lines beyond `maxLines` itself, in the
// same edit: the document's own block limit steps over every line it drops
// with a cursor that lays the line out first, which cost a fast line most of
// the user-interface thread for text nobody would see.
class PaneTail {
public:
    PaneTail(QTextDocument* document, int maxLines);

    // Puts `text` in place of the previous partial row (or at the end, when
    // it is not the last text any more), then `partial` behind it.
    void replace(const QString& text, const QString& partial);
    // Appends `text`; a partial row before it stays.
    void append(const QString& text);

private:
    bool partialIsLast() const;
    void insert(QTextCursor& at, const QString& text, const QString& partial);
    void dropOldestBeyondLimit();
    QTextCursor end() const;

    QTextDocument* m_document;
    int m_maxLines;
    QTextCursor m_partial; // selects the partial row while it is shown
    QString m_shown;
};
