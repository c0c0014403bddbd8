// The receive pane's views: hex rows and time stamps as a reader sees them,
// through the real pane, its bar and a pseudo-terminal; the capture file
// keeps the raw bytes whatever the view.
#include "consolewindow.h"
#include "uiwait.h"

#include "consoleui/recviewbar.h"
#include "tests/support/ptypair.h"
#include "tests/support/qtfakeuiservices.h"
#include "tests/support/testdevices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <optional>
#include <sstream>

namespace {

using linestatus::StampMode;
using View = RecFormatter::View;
using namespace std::chrono_literals;

std::string allByteValues()
{
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += char(i);
    return bytes;
}

// The Latin-1 column of the 16 rows of all byte values: controls, DEL, C1
// controls, no-break space and soft hyphen as '.'.
const char* const Latin1Column[16] = { "................", "................", " !\"#$%&'()*+,-./", "0123456789:;<=>?",
    "@ABCDEFGHIJKLMNO", "PQRSTUVWXYZ[\\]^_", "`abcdefghijklmno", "pqrstuvwxyz{|}~.", "................",
    "................", ".¡¢£¤¥¦§¨©ª«¬.®¯", "°±²³´µ¶·¸¹º»¼½¾¿", "ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏ", "ÐÑÒÓÔÕÖ×ØÙÚÛÜÝÞß",
    "àáâãäåæçèéêëìíîï", "ðñòóôõö÷øùúûüýþÿ" };

// Offset, two groups of 8 bytes in hex, the Latin-1 column.
QString hexRowOf(unsigned offset, const std::string& bytes, const char* latin1)
{
    char head[16];
    std::snprintf(head, sizeof head, "%08X  ", offset);
    std::string row = head;
    for (size_t i = 0; i < 16; ++i) {
        if (i == 8) row += ' ';
        char hex[4] = "   ";
        if (i < bytes.size()) std::snprintf(hex, sizeof hex, "%02X ", unsigned(uint8_t(bytes[i])));
        row += hex;
    }
    return QString::fromStdString(row + " " + latin1);
}

QString allByteRows()
{
    const std::string bytes = allByteValues();
    QString rows;
    for (unsigned r = 0; r < 16; ++r)
        rows += hexRowOf(r * 16, bytes.substr(r * 16, 16), Latin1Column[r]) + "\n";
    return rows;
}

RecViewBar& barOf(ConsoleWindow& win)
{
    return *win.frame->findChild<RecViewBar*>();
}

TEST(RecViews, AllByteValuesInHexRowsHoweverTheyAreSplit)
{
    const std::string bytes = allByteValues();
    const std::vector<size_t> splits[]
        = { { 256 }, { 1, 255 }, { 7, 9, 100, 140 }, { 80, 80, 80, 16 }, { 15, 1, 17, 223 } };
    for (const auto& sizes : splits) {
        CRecView pane;
        pane.formatter().setView(View::Hex);
        size_t at = 0;
        for (size_t n : sizes) {
            pane.appendBytes(std::string_view(bytes).substr(at, n));
            at += n;
        }
        ASSERT_EQ(at, bytes.size());
        EXPECT_EQ(pane.toPlainText().toStdString(), allByteRows().toStdString()) << sizes.size() << " chunks";
    }
}

TEST(RecViews, AllByteValuesFromAPseudoTerminalWithTheBarsHexBox)
{
    FakeUiServices ui;
    PtyConsole c(ui, "COM2");
    barOf(c.win).hexCheck()->click();
    ASSERT_TRUE(c.pty.writeAll(allByteValues()));
    EXPECT_TRUE(uiWaitFor([&] { return c.win.shown() == allByteRows(); })) << c.win.shown().toStdString();
}

// A clock the test sets; stamps in local time, as the pane shows them.
struct FakeClock {
    linestatus::WallClock::time_point now;
    FakeClock()
    {
        std::tm local {};
        local.tm_year = 126;
        local.tm_mon = 5;
        local.tm_mday = 1;
        local.tm_hour = 12;
        local.tm_min = 34;
        local.tm_sec = 56;
        local.tm_isdst = -1;
        now = linestatus::WallClock::from_time_t(std::mktime(&local)) + 789ms;
    }
};

struct Step {
    std::chrono::milliseconds after; // since the step before
    std::string bytes;
    std::optional<View> view = {};
    std::optional<StampMode> stamps = {};
};

TEST(RecViews, TimeStampsOnLinesAndChunksAndChangesStartANewLine)
{
    const struct {
        const char* name;
        std::vector<Step> steps;
        QString shown;
    } cases[] = {
        { "clock on text lines", { { 0ms, "ab\r", View::Text, StampMode::Clock }, { 5ms, "cd" }, { 1234ms, "\ref\n" } },
            "12:34:56.789 ab\n12:34:56.794 cd\n12:34:58.028 ef\n" },
        { "since previous on text lines",
            { { 0ms, "ab\r", View::Text, StampMode::SincePrevious }, { 5ms, "cd" }, { 1234ms, "\ref" } },
            "+0.000 ab\n+0.005 cd\n+1.234 ef" },
        { "clock on hex chunks after a pause",
            { { 0ms, "ABC", View::Hex, StampMode::Clock }, { 50ms, "DEF" }, { 500ms, "G" } },
            "12:34:56.789\n" + hexRowOf(0, "ABCDEF", "ABCDEF") + "\n12:34:57.339\n" + hexRowOf(6, "G", "G") },
        { "since previous on hex chunks", { { 0ms, "A", View::Hex, StampMode::SincePrevious }, { 2500ms, "B" } },
            "+0.000\n" + hexRowOf(0, "A", "A") + "\n+2.500\n" + hexRowOf(1, "B", "B") },
        { "text line left open by the hex view", { { 0ms, "ab" }, { 0ms, "ABC", View::Hex }, { 0ms, "D" } },
            "ab\n" + hexRowOf(0, "ABCD", "ABCD") },
        { "hex row left open by the text view", { { 0ms, "ABC", View::Hex }, { 0ms, "cd", View::Text } },
            hexRowOf(0, "ABC", "ABC") + "\ncd" },
        { "stamps turned on in the middle of a line", { { 0ms, "ab" }, { 1000ms, "cd", {}, StampMode::Clock } },
            "ab\n12:34:57.789 cd" },
        { "stamps turned off", { { 0ms, "ab\r", {}, StampMode::Clock }, { 0ms, "cd\r", {}, StampMode::Off } },
            "12:34:56.789 ab\ncd\n" },
    };
    for (const auto& c : cases) {
        CRecView pane;
        FakeClock clock;
        pane.formatter().setClock([&] { return clock.now; });
        for (const Step& s : c.steps) {
            clock.now += s.after;
            if (s.view) pane.formatter().setView(*s.view);
            if (s.stamps) pane.formatter().setStampMode(*s.stamps);
            pane.appendBytes(s.bytes);
        }
        EXPECT_EQ(pane.toPlainText().toStdString(), c.shown.toStdString()) << c.name;
    }
}

TEST(RecViews, HexViewKeepsTheLineLimitAndCountsHiddenBytesInItsOffsets)
{
    const std::string z16(16, 'z');
    const char* zs = "zzzzzzzzzzzzzzzz";
    const unsigned scrollback = CRecView::MaxLines * 16;
    const struct {
        const char* name;
        size_t batches, batchBytes;
        bool throughQueue; // posted at once: the backlog drops the oldest
        QString ending;
    } cases[] = {
        { "three scrollbacks in batches", 30, scrollback / 10, false, hexRowOf(scrollback * 3 - 16, z16, zs) + "\n" },
        { "three scrollbacks and a half row in one batch", 1, scrollback * 3 + 8, false,
            hexRowOf(scrollback * 3 - 16, z16, zs) + "\n" + hexRowOf(scrollback * 3, "zzzzzzzz", "zzzzzzzz") },
        { "one batch larger than the backlog", 1, CRecView::MaxBacklog + 32, true,
            hexRowOf(CRecView::MaxBacklog + 16, z16, zs) + "\n" },
    };
    for (const auto& c : cases) {
        CRecView pane;
        pane.formatter().setView(View::Hex);
        for (size_t i = 0; i < c.batches; ++i) {
            if (c.throughQueue) {
                pane.post(std::string(c.batchBytes, 'z'));
                pane.drainNow();
            } else {
                pane.appendBytes(std::string(c.batchBytes, 'z'));
            }
        }
        uiWaitFor([&pane] { return pane.heldBackLines() == 0; });
        const QString text = pane.toPlainText();
        EXPECT_LE(pane.document()->blockCount(), CRecView::MaxLines) << c.name;
        EXPECT_GE(pane.document()->blockCount(), CRecView::MaxLines - 1) << c.name;
        EXPECT_TRUE(text.endsWith(c.ending)) << c.name << ": " << text.right(160).toStdString();
    }
}

std::string fileContent(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream got;
    got << in.rdbuf();
    return got.str();
}

TEST(RecViews, CaptureFileGetsTheRawBytesInEveryView)
{
    FakeUiServices ui;
    QTemporaryDir dir;
    const struct {
        bool hex;
        int stamps;
        const char* shows;
    } cases[] = { { true, 0, "000000F0  F0 F1" }, { true, 1, ":" }, { false, 2, "+0.000 " } };
    for (const auto& c : cases) {
        PtyConsole w(ui, "COM2");
        barOf(w.win).hexCheck()->setChecked(c.hex);
        barOf(w.win).stampsList()->setCurrentIndex(c.stamps);
        const std::string path = dir.filePath(QStringLiteral("cap%1%2.bin").arg(c.hex).arg(c.stamps)).toStdString();
        auto& ctx = w.win.view().m_portCtx;
        ASSERT_TRUE(ctx.captureFile.open(path));
        ctx.captureOn = 1;
        const std::string bytes = allByteValues() + "\r\n\r";
        ASSERT_TRUE(w.pty.writeAll(bytes));
        ASSERT_TRUE(uiWaitFor([&] { return fileContent(path).size() >= bytes.size(); }));
        // The pane shows the view chosen, ...
        ASSERT_TRUE(uiWaitFor([&] { return w.win.shown().contains(c.shows); })) << w.win.shown().toStdString();
        w.win.view().ClosePort();
        // ... the file the bytes as they came.
        EXPECT_EQ(fileContent(path), bytes) << c.shows;
    }
}

TEST(RecViews, BarControlsAreNamedAndSayTheirState)
{
    FakeUiServices ui;
    ConsoleWindow win { ui };
    RecViewBar& bar = barOf(win);
    EXPECT_EQ(bar.hexCheck()->accessibleName(), "Hex");
    EXPECT_EQ(bar.stampsList()->accessibleName(), "Time stamps");
    const struct {
        bool hex;
        int stamps;
        const char *hexState, *stampsState;
        View view;
        StampMode mode;
    } cases[] = {
        { true, 1, "Hex on", "Time stamps: Clock", View::Hex, StampMode::Clock },
        { false, 2, "Hex off", "Time stamps: Since previous", View::Text, StampMode::SincePrevious },
        { true, 0, "Hex on", "Time stamps: Off", View::Hex, StampMode::Off },
    };
    for (const auto& c : cases) {
        bar.hexCheck()->setChecked(c.hex);
        bar.stampsList()->setCurrentIndex(c.stamps);
        EXPECT_EQ(bar.hexCheck()->accessibleDescription(), c.hexState);
        EXPECT_EQ(bar.stampsList()->accessibleDescription(), c.stampsState);
        EXPECT_EQ(win.pane().formatter().view(), c.view);
        EXPECT_EQ(win.pane().formatter().stampMode(), c.mode);
    }
    for (QWidget* w : bar.findChildren<QWidget*>())
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->metaObject()->className();
}

} // namespace
