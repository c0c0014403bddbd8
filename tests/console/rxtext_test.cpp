// How received bytes become pane text, and how the pane's backlog is bounded.
#include "console/receivequeue.h"
#include "console/rxtextdecoder.h"
#include "consoleui/recview.h"

#include <gtest/gtest.h>

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

TEST(ReceiveQueue, WakesOnceAndDropsTheOldestBeyondTheBacklog)
{
    ReceiveQueue q(8);
    EXPECT_TRUE(q.push("abc", 3));
    EXPECT_FALSE(q.push("defgh", 5));
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

TEST(RecView, SkippedBytesAreAnnounced)
{
    CRecView pane;
    pane.post(std::string(CRecView::MaxBacklog + 10, 'x'));
    pane.drainNow();
    EXPECT_TRUE(pane.toPlainText().contains("[10 bytes not shown]"));
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
