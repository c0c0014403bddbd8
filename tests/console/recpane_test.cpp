// The receive pane's text against what was received: however the bytes come
// (chunk sizes, frames, more than the line limit in one frame, a line or a
// hex row cut at a frame's end), the pane holds the last lines of the whole
// input as one decoding of it would show them: the newest at once after each
// frame, all of them once the lines it held back are filled in, by the event
// loop, by the user turning to the pane, or for a screen reader.
#include "consoleui/recview.h"
#include "linestatus/hexview.h"
#include "uiwait.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

using View = RecFormatter::View;

// Written out here rather than taken from the decoder, so that a fault in
// its fast paths shows.
QString visibleText(const std::string& bytes)
{
    QString out;
    int column = 0;
    bool afterCr = false;
    auto put = [&](const QString& s) {
        if (column + s.size() > CRecView::MaxLineLength) out += QChar('\n'), column = 0;
        out += s;
        column += int(s.size());
    };
    for (unsigned char b : bytes) {
        const bool skip = b == '\n' && afterCr;
        afterCr = b == '\r';
        if (skip) continue;
        if (b == '\r' || b == '\n')
            out += QChar('\n'), column = 0;
        else if (b < 0x20)
            put(QChar(char16_t(0x2400 + b)));
        else if (b == 0x7F)
            put(QChar(char16_t(0x2421)));
        else if (b >= 0x80 && b < 0xA0)
            put(QString::asprintf("<%02X>", b));
        else
            put(QChar(char16_t(b)));
    }
    return out;
}

QString hexText(const std::string& bytes)
{
    linestatus::HexView hex;
    const auto u = hex.append(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return QString::fromStdString(u.lines + u.partial);
}

// The last `n` lines of `text`, the unfinished one included.
QString lastLines(const QString& text, int n)
{
    const QStringList lines = text.split(QChar('\n'));
    return lines.mid(std::max<qsizetype>(0, lines.size() - n)).join(QChar('\n'));
}

std::string numberedLines(int from, int to, const char* end)
{
    std::string s;
    for (int i = from; i < to; ++i)
        s += "line " + std::to_string(i) + std::string(size_t(i % 13), '.') + end;
    return s;
}

std::string noise(size_t n)
{
    std::string s(n, '\0');
    uint64_t x = 0x9E3779B97F4A7C15ull;
    for (char& c : s) {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        c = char(x);
    }
    return s;
}

TEST(RecPane, ShowsTheLastLinesOfWhatWasReceivedHoweverItCame)
{
    const std::string overlong = std::string(CRecView::MaxLineLength * 3 + 5, 'w') + "\n";
    const struct {
        const char* name;
        View view;
        std::vector<std::string> frames; // each frame: posted in chunks, then one drain
        size_t chunk;
        int readerFrom = -1; // the frame from which a screen reader or automation reads the pane
    } cases[] = {
        { "lines in small chunks, over the limit", View::Text,
            { numberedLines(0, 6000, "\n"), numberedLines(6000, 14000, "\n") }, 80 },
        { "CR LF split across chunks and frames", View::Text,
            { numberedLines(0, 7000, "\r\n"), "\r", "\npartial", " end\r\n" }, 7 },
        { "more than the limit in one frame after an unfinished line", View::Text,
            { "unfinished ", numberedLines(0, 25000, "\n") + "tail" }, 4096 },
        { "more than the limit in one frame after full lines", View::Text,
            { numberedLines(0, 500, "\n"), numberedLines(500, 30000, "\n") }, 65536 },
        { "overlong lines cut at a frame's end", View::Text,
            { overlong.substr(0, 1500), overlong.substr(1500), overlong }, 100 },
        { "every byte value in noise", View::Text, { noise(200000), noise(300000) }, 37 },
        { "hex rows over the limit, a row cut at each frame's end", View::Hex,
            { noise(100003), noise(99999), noise(7) }, 80 },
        { "hex, more than the limit in one frame after an unfinished row", View::Hex,
            { noise(5), noise(CRecView::MaxLines * 16 * 2 + 3) }, 65536 },
        { "held back, then read by a screen reader", View::Text,
            { numberedLines(0, 500, "\n"), numberedLines(500, 1100, "\n") }, 65536, 1 },
    };
    for (const auto& c : cases) {
        CRecView pane;
        pane.formatter().setView(c.view);
        // The raw text: the plain one turns no-break spaces into spaces.
        auto paneText
            = [&pane] { return pane.document()->toRawText().replace(QChar::ParagraphSeparator, QChar('\n')); };
        auto decoded
            = [&c](const std::string& bytes) { return c.view == View::Hex ? hexText(bytes) : visibleText(bytes); };
        std::string all;
        for (const std::string& frame : c.frames) {
            const bool read = c.readerFrom >= 0 && &frame - c.frames.data() >= c.readerFrom;
            CRecView::setAssistiveClientForTest(read);
            ASSERT_LT(frame.size(), CRecView::MaxBacklog) << c.name << ": bytes would be skipped";
            for (size_t at = 0; at < frame.size(); at += c.chunk)
                pane.post(frame.substr(at, c.chunk));
            pane.drainNow();
            all += frame;
            const int newest = std::min(CRecView::ShownAtOnce, pane.document()->blockCount());
            EXPECT_TRUE(lastLines(paneText(), newest) == lastLines(decoded(all), newest))
                << c.name << ": the newest lines are not shown after a frame of " << frame.size() << " bytes";
            // Screen readers and automation read the newest text too.
            QAccessibleTextInterface* reader = QAccessible::queryAccessibleInterface(&pane)->textInterface();
            const int count = reader->characterCount();
            const QString spoken
                = reader->text(std::max(0, count - 400), count).replace(QChar::ParagraphSeparator, '\n');
            EXPECT_TRUE(!spoken.isEmpty() && paneText().endsWith(spoken))
                << c.name << ": read out as " << spoken.right(40).toStdString();
            EXPECT_LE(pane.document()->blockCount() + pane.heldBackLines(), CRecView::MaxLines)
                << c.name << ": the pane keeps more lines than its limit";
            if (read) EXPECT_EQ(pane.heldBackLines(), 0) << c.name << ": lines held back from a reader";
        }
        CRecView::setAssistiveClientForTest(std::nullopt);
        // Filled in by the event loop, or at once by a key or a click.
        const auto turn = (&c - cases) % 3;
        if (turn == 0) {
            EXPECT_TRUE(uiWaitFor([&pane] { return pane.heldBackLines() == 0; })) << c.name << ": never filled in";
        } else if (turn == 1) {
            QKeyEvent key(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
            QCoreApplication::sendEvent(&pane, &key);
            EXPECT_EQ(pane.heldBackLines(), 0) << c.name << ": a key finds lines held back";
        } else {
            QMouseEvent click(
                QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(pane.viewport(), &click);
            EXPECT_EQ(pane.heldBackLines(), 0) << c.name << ": a click finds lines held back";
        }
        const QString whole = decoded(all);
        const QString want = lastLines(whole, CRecView::MaxLines);
        const QString got = paneText();
        EXPECT_EQ(pane.document()->blockCount(), std::min<qsizetype>(whole.count(QChar('\n')) + 1, CRecView::MaxLines))
            << c.name;
        qsizetype diff = 0;
        while (diff < got.size() && diff < want.size() && got[diff] == want[diff])
            ++diff;
        EXPECT_TRUE(got == want) << c.name << ": differs at " << diff << " of " << got.size() << "/" << want.size()
                                 << "\n got: " << got.mid(diff, 40).toStdString()
                                 << "\nwant: " << want.mid(diff, 40).toStdString();
    }
}

// A shown pane keeps the newest line in view frame after frame, also when it
// is made smaller (a window being laid out, a splitter moved), unless the user
// has scrolled away from the end; scrolled back there, it follows again.
TEST(RecPane, FollowsTheEndUntilTheUserScrollsAway)
{
    const struct {
        const char* name;
        QAbstractSlider::SliderAction before; // done by the user before the last frames
        bool follows;
    } cases[] = {
        { "left alone", QAbstractSlider::SliderNoAction, true },
        { "scrolled to the top", QAbstractSlider::SliderToMinimum, false },
        { "scrolled up and back to the end", QAbstractSlider::SliderToMaximum, true },
    };
    for (const auto& c : cases) {
        CRecView pane;
        pane.resize(600, 400);
        pane.show();
        QScrollBar* bar = pane.verticalScrollBar();
        for (int frame = 0; frame < 8; ++frame) {
            if (frame == 2) pane.resize(600, 250);
            if (frame == 4 && c.before != QAbstractSlider::SliderNoAction) {
                bar->triggerAction(QAbstractSlider::SliderToMinimum);
                bar->triggerAction(c.before);
            }
            pane.post(numberedLines(frame * 300, frame * 300 + 300, "\n"));
            pane.drainNow();
            // The bar's range settles on later turns of the event loop.
            uiWaitFor([&] { return bar->value() == bar->maximum(); }, std::chrono::milliseconds(300));
            const bool atEnd = bar->value() == bar->maximum() && bar->maximum() > 0;
            if (frame < 4 || c.follows)
                EXPECT_TRUE(atEnd) << c.name << ", frame " << frame << ": " << bar->value() << " of " << bar->maximum();
            else
                EXPECT_EQ(bar->value(), 0) << c.name << ", frame " << frame << ": the pane moved the user's view";
        }
    }
}

} // namespace
