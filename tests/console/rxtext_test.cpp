// How received bytes become pane text, and how the pane's backlog is bounded.
#include "console/receivequeue.h"
#include "console/rxtextdecoder.h"
#include "consoleui/recview.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <cstring>

namespace {

TEST(RxTextDecoder, LineBreaksAcrossChunks)
{
    RxTextDecoder d(100);
    EXPECT_EQ(d.decode("a\r"), "a\n");
    EXPECT_EQ(d.decode("\nb\n"), "b\n"); // CR LF split over two chunks: one break
    EXPECT_EQ(d.decode("\rc"), "\nc"); // LF CR: two breaks
    EXPECT_EQ(d.decode("\r\r"), "\n\n");
}

TEST(RxTextDecoder, ControlBytesVisibleAndLatin1)
{
    RxTextDecoder d(100);
    const QString text = d.decode(std::string("\x00\x07\t\x1b\x7f\x85\xe9\xff", 8));
    const QString expected = QString(QChar(0x2400)) + QChar(0x2407) + QChar(0x2409) + QChar(0x241B) + QChar(0x2421)
        + "<85>" + QChar(0xE9) + QChar(0xFF);
    EXPECT_EQ(text, expected);
}

TEST(RxTextDecoder, OverlongLinesContinueOnTheNextLine)
{
    RxTextDecoder d(4);
    EXPECT_EQ(d.decode("abcdef"), "abcd\nef");
    EXPECT_EQ(d.decode("gh\x01"), "gh\n" + QString(QChar(0x2401)));
}

TEST(ReceiveQueue, WakesWhenEmptyAndAtHalfTheBacklogAndDropsTheOldestBeyondIt)
{
    ReceiveQueue q(8);
    EXPECT_TRUE(q.push("ab", 2));
    EXPECT_FALSE(q.push("c", 1));
    EXPECT_TRUE(q.push("defgh", 5)); // past half the backlog
    EXPECT_FALSE(q.push("ij", 2));
    auto batch = q.take();
    EXPECT_EQ(batch.bytes, "cdefghij");
    EXPECT_EQ(batch.skipped, 2u);
    EXPECT_TRUE(q.push("0123456789AB", 12));
    batch = q.take();
    EXPECT_EQ(batch.bytes, "456789AB");
    EXPECT_EQ(batch.skipped, 4u);
    // A buffer given back gathers later batches: empty, and never in place of bytes queued meanwhile.
    size_t larger = 16;
    for (const char* pushed : { "", "k", "lm" }) {
        q.giveBack(std::move(batch.bytes));
        if (*pushed) EXPECT_TRUE(q.push(pushed, std::strlen(pushed)));
        q.giveBack(std::string(larger += 5, '!'));
        batch = q.take();
        EXPECT_EQ(batch.bytes, pushed);
    }
    EXPECT_TRUE(q.push("n", 1));
    EXPECT_EQ(q.take().bytes, "n");
}

TEST(RecView, BacklogLargerThanTheScrollbackShowsTheNewestLinesAndSaysWhatWasSkipped)
{
    CRecView pane;
    std::string lines;
    for (int i = 0; i < CRecView::MaxLines * 3; ++i)
        lines += std::to_string(i) + "\n";
    pane.post(lines);
    pane.drainNow();
    EXPECT_LE(pane.document()->blockCount(), CRecView::MaxLines);
    const QString text = pane.toPlainText();
    EXPECT_TRUE(text.endsWith(QString::number(CRecView::MaxLines * 3 - 1) + "\n"));
}

std::string numberedLines(size_t bytes, size_t lineLength)
{
    std::string text;
    for (int i = 0; text.size() < bytes; ++i) {
        std::string line = std::to_string(i);
        line.resize(lineLength - 1, '.');
        text += line + "\n";
    }
    return text;
}

// A pane a whole backlog behind says what it skipped, unless the bytes it
// still takes make more lines than it holds: what it skipped would have
// scrolled out unseen.
TEST(RecView, SkippedBytesAreAnnouncedUnlessTheyWouldHaveScrolledOutUnseen)
{
    const size_t over = CRecView::MaxBacklog + 10;
    const struct {
        const char* name;
        bool hex;
        std::string bytes;
        bool notice;
    } cases[] = {
        { "one line without an end", false, std::string(over, 'x'), true },
        { "lines of 1000 characters: the backlog holds fewer than the pane", false, numberedLines(over, 1000), true },
        { "lines of 100 characters: the backlog holds more than the pane", false, numberedLines(over, 100), false },
        { "hex rows", true, std::string(over, 'x'), false },
    };
    for (const auto& c : cases) {
        CRecView pane;
        if (c.hex) pane.formatter().setView(RecFormatter::View::Hex);
        pane.post(c.bytes);
        pane.drainNow();
        const uint64_t skipped = c.bytes.size() - CRecView::MaxBacklog;
        EXPECT_EQ(pane.toPlainText().contains(QString("[%1 bytes not shown]").arg(skipped)), c.notice) << c.name;
        EXPECT_EQ(pane.bytesNotShown() + pane.bytesUnseen(), skipped) << c.name;
        EXPECT_EQ(pane.bytesUnseen(), c.notice ? 0 : skipped) << c.name;
        if (!c.hex && c.bytes.find('\n') != std::string::npos) {
            const size_t lastLine = c.bytes.rfind('\n', c.bytes.size() - 2) + 1;
            EXPECT_TRUE(pane.toPlainText().toStdString().ends_with(c.bytes.substr(lastLine))) << c.name;
        }
    }
}

// A line fast enough to fill half the backlog within a frame is taken at
// once, not at the end of the frame with the oldest of it dropped.
TEST(RecView, HalfABacklogWithinAFrameIsTakenAtOnce)
{
    CRecView pane;
    pane.post("first\n");
    pane.drainNow();
    const std::string lines = numberedLines(CRecView::MaxBacklog / 2, 100);
    pane.post(lines);
    QCoreApplication::processEvents();
    EXPECT_TRUE(pane.toPlainText().toStdString().ends_with(lines.substr(lines.size() - 100)));
}

TEST(RecView, ReplaceTextReplacesEverything)
{
    CRecView pane;
    pane.appendBytes("old\r");
    pane.replaceText("   KB sent: 5");
    pane.appendBytes("\n");
    EXPECT_EQ(pane.toPlainText(), "   KB sent: 5\n");
}

} // namespace
