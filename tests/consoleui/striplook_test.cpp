// What the strip shows and tells a screen reader for a given state: every
// line on, off or n/a (never off for n/a), the counts with their rates, the
// error counts or n/a; and its reconnect option and status text.
#include "consoleui/linestatusstrip.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <string_view>

using linestatus::ErrorCounts;
using linestatus::Level;
using linestatus::LineState;

namespace {

QWidget* part(const LineStatusStrip& strip, const QString& name)
{
    for (auto* w : strip.findChildren<QWidget*>())
        if (w->accessibleName() == name) return w;
    return nullptr;
}

QString said(const LineStatusStrip& strip, const char* name)
{
    const QWidget* w = part(strip, QString::fromLatin1(name));
    return w ? w->accessibleDescription() : QStringLiteral("<none>");
}

QString shownText(const LineStatusStrip& strip, const char* name)
{
    QWidget* w = part(strip, QString::fromLatin1(name));
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
    return QStringLiteral("<none>");
}

LineState lines(Level cts, Level dsr, Level dcd, Level ri, Level rts, Level dtr)
{
    LineState s;
    s.cts = cts, s.dsr = dsr, s.dcd = dcd, s.ri = ri, s.rts = rts, s.dtr = dtr;
    return s;
}

TEST(StripLook, SaysEachStateAsItIs)
{
    constexpr auto U = Level::Unavailable, L = Level::Low, H = Level::High;
    LineState counted = lines(H, L, H, L, L, H);
    counted.rxBytes = 123456, counted.txBytes = 7, counted.rxRate = 92160, counted.txRate = 999.4;
    counted.errors = ErrorCounts { 1, 2, 3, 4, 5 };
    LineState stale = lines(L, H, U, H, H, U);
    stale.stale = true;
    const struct {
        LineState state;
        const char* lines; // CTS DSR DCD RI RTS DTR, as described
        const char* texts; // as shown
        const char* rx;
        const char* tx;
        const char* errors;
    } cases[] = {
        { lines(U, U, U, U, U, U), "CTS n/a|DSR n/a|DCD n/a|RI n/a|RTS n/a|DTR n/a",
            "CTS n/a|DSR n/a|DCD n/a|RI n/a|RTS n/a|DTR n/a", "RX 0 (0 B/s)", "TX 0 (0 B/s)", "Errors: n/a" },
        { counted, "CTS on|DSR off|DCD on|RI off|RTS off|DTR on", "CTS|DSR|DCD|RI|RTS|DTR", "RX 123456 (92.2 kB/s)",
            "TX 7 (999 B/s)", "Errors: framing 1, parity 2, overrun 3, break 4, buffer overrun 5" },
        { lines(L, H, U, H, H, U), "CTS off|DSR on|DCD n/a|RI on|RTS on|DTR n/a", "CTS|DSR|DCD n/a|RI|RTS|DTR n/a",
            "RX 0 (0 B/s)", "TX 0 (0 B/s)", "Errors: n/a" },
        // The same levels, but the last look at them failed.
        { stale, "CTS off (last known)|DSR on (last known)|DCD n/a|RI on (last known)|RTS on (last known)|DTR n/a",
            "CTS|DSR|DCD n/a|RI|RTS|DTR n/a", "RX 0 (0 B/s)", "TX 0 (0 B/s)", "Errors: n/a" },
        { lines(L, H, U, H, H, U), "CTS off|DSR on|DCD n/a|RI on|RTS on|DTR n/a", "CTS|DSR|DCD n/a|RI|RTS|DTR n/a",
            "RX 0 (0 B/s)", "TX 0 (0 B/s)", "Errors: n/a" },
    };
    LineStatusStrip strip;
    for (const auto& c : cases) {
        strip.setState(c.state);
        QStringList described, shown;
        for (const char* line : { "CTS", "DSR", "DCD", "RI", "RTS", "DTR" }) {
            described << said(strip, line);
            shown << shownText(strip, line);
            // The tooltip says what a screen reader hears, last known included.
            const bool output = std::string_view(line) == "RTS" || std::string_view(line) == "DTR";
            EXPECT_EQ(part(strip, QLatin1String(line))->toolTip(),
                output ? said(strip, line) + ". Click to raise or drop " + line : said(strip, line));
        }
        EXPECT_EQ(described.join('|'), c.lines);
        EXPECT_EQ(shown.join('|'), c.texts);
        EXPECT_EQ(said(strip, "RX bytes"), c.rx);
        EXPECT_EQ(said(strip, "TX bytes"), c.tx);
        EXPECT_EQ(said(strip, "Line errors"), c.errors);
        EXPECT_EQ(shownText(strip, "Line errors"), c.errors);
        EXPECT_EQ(part(strip, "RTS")->isEnabled(), c.state.rts != U);
        EXPECT_EQ(part(strip, "DTR")->isEnabled(), c.state.dtr != U);
    }
}

// A last known level looks different from a confirmed one (an outline, not
// a filled light), on and off alike; n/a looks the same either way.
TEST(StripLook, ALastKnownLevelIsOutlined)
{
    constexpr auto U = Level::Unavailable, L = Level::Low, H = Level::High;
    LineStatusStrip strip;
    strip.resize(900, 40);
    strip.show();
    const auto picture = [&](const LineState& state, const char* line) {
        strip.setState(state);
        return part(strip, QLatin1String(line))->grab().toImage();
    };
    for (Level level : { L, H, U }) {
        LineState fresh = lines(level, level, level, level, level, level), stale = fresh;
        stale.stale = true;
        for (const char* line : { "CTS", "RTS" }) {
            SCOPED_TRACE(std::string(line) + " " + std::to_string(int(level)));
            const QImage confirmed = picture(fresh, line), lastKnown = picture(stale, line);
            ASSERT_FALSE(confirmed.isNull());
            EXPECT_EQ(confirmed == lastKnown, level == U);
        }
    }
}

// A click asks for the level the output does not have; nothing changes until
// the port has it.
TEST(StripLook, OutputButtonsAskForTheOtherLevel)
{
    const struct {
        Level now;
        bool asked;
    } cases[] = { { Level::High, false }, { Level::Low, true } };
    for (const auto& c : cases) {
        LineStatusStrip strip;
        strip.setState(lines(Level::Low, Level::Low, Level::Low, Level::Low, c.now, c.now));
        QSignalSpy rts(&strip, &LineStatusStrip::rtsToggleRequested);
        QSignalSpy dtr(&strip, &LineStatusStrip::dtrToggleRequested);
        qobject_cast<QAbstractButton*>(part(strip, "RTS"))->click();
        qobject_cast<QAbstractButton*>(part(strip, "DTR"))->click();
        ASSERT_EQ(rts.count(), 1);
        ASSERT_EQ(dtr.count(), 1);
        EXPECT_EQ(rts.at(0).at(0).toBool(), c.asked);
        EXPECT_EQ(dtr.at(0).at(0).toBool(), c.asked);
        EXPECT_EQ(strip.state().rts, c.now);
    }
}

TEST(StripLook, ReconnectOptionAndStatusText)
{
    LineStatusStrip strip;
    EXPECT_TRUE(strip.reconnectEnabled());
    EXPECT_EQ(said(strip, "Reconnect"), "Reconnect on");
    QSignalSpy toggled(&strip, &LineStatusStrip::reconnectToggled);
    auto* box = qobject_cast<QCheckBox*>(part(strip, "Reconnect"));
    ASSERT_NE(box, nullptr);
    const struct {
        bool enabled;
        const char* described;
    } clicks[] = { { false, "Reconnect off" }, { true, "Reconnect on" } };
    for (const auto& c : clicks) {
        box->click();
        EXPECT_EQ(strip.reconnectEnabled(), c.enabled);
        EXPECT_EQ(said(strip, "Reconnect"), c.described);
        EXPECT_EQ(toggled.takeLast().at(0).toBool(), c.enabled);
    }
    strip.setStatusText("COM3 (/dev/ttyUSB0) disconnected");
    EXPECT_EQ(said(strip, "Connection status"), "COM3 (/dev/ttyUSB0) disconnected");
    EXPECT_EQ(shownText(strip, "Connection status"), "COM3 (/dev/ttyUSB0) disconnected");
}

} // namespace
