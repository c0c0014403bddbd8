#pragma once

#include <QPlainTextDocumentLayout>

// A plain-text layout that can hold its work back for a moment: while held,
// changes to the document are only noted, and a block whose layout the change
// threw away is not laid out again; on release the noted change is laid out
// as one. The console pane holds it while a key's byte goes out, so the key is
// in the text before its byte is written without the write waiting for the
// line to be shaped.
class HeldLayout : public QPlainTextDocumentLayout {
    Q_OBJECT
public:
    explicit HeldLayout(QTextDocument* document);

    void hold() { m_held = true; }
    void release();

    // While held, a block not laid out yet has no size (it is measured on release).
    QRectF blockBoundingRect(const QTextBlock& block) const override;

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;

private:
    bool m_held = false;
    // The change noted while held, in the document's positions as they are now.
    int m_from = -1;
    int m_removed = 0;
    int m_added = 0;
};
