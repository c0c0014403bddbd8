// The console pane's layout waits while a key's byte goes out: whatever the
// key did to the text, once released the pane must be laid out exactly as a
// pane that never waited, and a paint while it waits shows the text in full.
#include "consoleui/heldlayout.h"

#include <QImage>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

struct Pane {
    QPlainTextEdit edit;
    HeldLayout* layout = nullptr;
    explicit Pane(bool heldLayout)
    {
        if (heldLayout) {
            auto* text = new QTextDocument(&edit);
            layout = new HeldLayout(text);
            text->setDocumentLayout(layout);
            edit.setDocument(text);
        }
        edit.setLineWrapMode(QPlainTextEdit::NoWrap);
        edit.resize(400, 200);
        edit.setPlainText(QStringLiteral("first line\nsecond, a longer line\nthird"));
    }
};

// Each block's lines and width, and the document's size: what painting,
// scrolling and the cursor rely on.
std::string shape(QPlainTextEdit& edit)
{
    std::string out;
    for (QTextBlock b = edit.document()->firstBlock(); b.isValid(); b = b.next()) {
        const QRectF r = edit.document()->documentLayout()->blockBoundingRect(b);
        out += b.text().toStdString() + "|" + std::to_string(b.layout()->lineCount()) + "|"
            + std::to_string(int(r.width())) + "x" + std::to_string(int(r.height())) + "\n";
    }
    const QSizeF size = edit.document()->documentLayout()->documentSize();
    return out + std::to_string(int(size.width())) + "x" + std::to_string(int(size.height()));
}

using Edit = std::function<void(QTextCursor&)>;

struct Case {
    const char* name;
    std::vector<Edit> edits; // each one a change of its own while held
};

void at(QTextCursor& c, int pos, int keep = -1)
{
    c.setPosition(pos);
    if (keep >= 0) c.setPosition(keep, QTextCursor::KeepAnchor);
}

} // namespace

TEST(HeldLayout, ReleasedPaneIsLaidOutAsOneThatNeverWaited)
{
    const std::vector<Case> cases = {
        { "a character in the middle of a line", { [](QTextCursor& c) { at(c, 14), c.insertText("XXXXXXXX"); } } },
        { "a line break", { [](QTextCursor& c) { at(c, 5), c.insertBlock(); } } },
        { "a backspace joining two lines", { [](QTextCursor& c) { at(c, 11), c.deletePreviousChar(); } } },
        { "a selection across lines replaced", { [](QTextCursor& c) { at(c, 3, 30), c.insertText("y"); } } },
        { "two changes, the second before the first",
            { [](QTextCursor& c) { at(c, 38), c.insertText("tail tail tail"); },
                [](QTextCursor& c) { at(c, 2), c.insertText("head\nhead"); } } },
        { "two changes, the second removing what the first added",
            { [](QTextCursor& c) { at(c, 20), c.insertText("0123456789"); },
                [](QTextCursor& c) { at(c, 18, 25), c.removeSelectedText(); } } },
    };
    for (const Case& k : cases) {
        Pane held(true), plain(false);
        held.layout->hold();
        for (const Edit& e : k.edits) {
            QTextCursor c(held.edit.document()), d(plain.edit.document());
            e(c);
            e(d);
        }
        held.layout->release();
        EXPECT_EQ(shape(held.edit), shape(plain.edit)) << k.name;
        EXPECT_EQ(held.edit.toPlainText(), plain.edit.toPlainText()) << k.name;
    }
}

TEST(HeldLayout, APaintAfterTheReleaseShowsTheChangedLine)
{
    Pane held(true), plain(false);
    held.edit.show();
    plain.edit.show();
    held.layout->hold();
    for (QPlainTextEdit* e : { &held.edit, &plain.edit }) {
        QTextCursor c(e->document());
        at(c, 5);
        c.insertText("WWWWWW");
    }
    // What a write that waits paints meanwhile: a release, then the picture.
    held.layout->release();
    const QImage a = held.edit.viewport()->grab().toImage();
    const QImage b = plain.edit.viewport()->grab().toImage();
    EXPECT_EQ(a, b);
}
