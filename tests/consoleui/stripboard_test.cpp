// The strip of a window on a virtual board port wired to itself: its RTS and
// DTR buttons do what the Assert/Drop commands do, and the inputs light up
// from the port's own outputs; the board's noise shows in the error counts.
#include "tests/consoleui/stripwindow.h"

#include "portio/commtypes.h"
#include "res/commandids.h"
#include "tests/support/qtfakeuiservices.h"
#include "vboard/virtualboard.h"

#include <gtest/gtest.h>

namespace {

std::shared_ptr<vboard::VirtualBoard> loopbackBoard(double noise = 0)
{
    vboard::BoardConfig config;
    config.ports = 1;
    config.wiring = vboard::Wiring::Loopback;
    config.faults.noise = noise;
    auto board = std::make_shared<vboard::VirtualBoard>(config);
    testDevices().installBoard(board, board->names());
    return board;
}

QString describedLines(const StripWindow& win)
{
    QStringList all;
    for (const char* line : { "RTS", "DTR", "CTS", "DSR", "DCD", "RI" })
        all << win.described(line);
    return all.join(", ");
}

TEST(StripBoard, OutputsToggleAndTheLoopedInputsFollow)
{
    FakeUiServices ui;
    const auto board = loopbackBoard();
    StripWindow win { ui };
    ASSERT_TRUE(win.connect("COM3"));
    const struct {
        const char* click; // a strip button, or null for the command
        int command;
        const char* lines;
    } steps[] = {
        { nullptr, cmd::ID_DROP_RTS, "RTS off, DTR on, CTS off, DSR on, DCD on, RI off" },
        { "RTS", 0, "RTS on, DTR on, CTS on, DSR on, DCD on, RI off" },
        { "DTR", 0, "RTS on, DTR off, CTS on, DSR off, DCD off, RI off" },
        { "RTS", 0, "RTS off, DTR off, CTS off, DSR off, DCD off, RI off" },
        { "DTR", 0, "RTS off, DTR on, CTS off, DSR on, DCD on, RI off" },
        { nullptr, cmd::ID_ASSERT_RTS, "RTS on, DTR on, CTS on, DSR on, DCD on, RI off" },
        { nullptr, cmd::ID_DROP_DTR, "RTS on, DTR off, CTS on, DSR off, DCD off, RI off" },
    };
    for (const auto& step : steps) {
        if (step.click)
            win.click(step.click);
        else
            ASSERT_TRUE(win.view().runCommand(step.command));
        EXPECT_TRUE(uiWaitFor([&] { return describedLines(win) == step.lines; }))
            << (step.click ? step.click : "command") << ": " << describedLines(win).toStdString();
        const auto outputs = board->modemOutputs(0);
        EXPECT_EQ(outputs.rts, win.described("RTS") == "RTS on");
        EXPECT_EQ(outputs.dtr, win.described("DTR") == "DTR on");
    }
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
    win.view().ClosePort();
    const QString closed = "RTS n/a, DTR n/a, CTS n/a, DSR n/a, DCD n/a, RI n/a";
    EXPECT_TRUE(uiWaitFor([&] { return describedLines(win) == closed; })) << describedLines(win).toStdString();
    testDevices().removeBoard();
}

// Bits the noise turns over are caught by a parity check, never without one.
TEST(StripBoard, NoiseShowsInTheErrorCounts)
{
    const struct {
        uint8_t parity;
        bool caught;
    } cases[] = { { portio::EVENPARITY, true }, { portio::NOPARITY, false } };
    for (const auto& c : cases) {
        FakeUiServices ui;
        const auto board = loopbackBoard(1e-3);
        StripWindow win { ui };
        win.view().m_portCtx.baudRate = 921600;
        win.view().m_portCtx.parityCode = c.parity;
        ASSERT_TRUE(win.connect("COM3"));
        ASSERT_TRUE(win.view().runCommand(cmd::ID_SEND_10K));
        EXPECT_TRUE(win.shows([](const auto& s) { return s.rxBytes == 10240 && s.txBytes == 10240; }))
            << win.strip().state().rxBytes;
        const auto driver = *win.view().m_portCtx.portHandle->lineCounters();
        ASSERT_TRUE(win.shows([&](const auto& s) { return s.errors && s.errors->parity == driver.parity; }));
        const auto e = *win.strip().state().errors;
        if (c.caught)
            EXPECT_GT(e.parity, 5u);
        else
            EXPECT_EQ(e.parity, 0u);
        EXPECT_EQ(win.described("Line errors"),
            QStringLiteral("Errors: framing %1, parity %2, overrun %3, break %4, buffer overrun %5")
                .arg(e.framing)
                .arg(e.parity)
                .arg(e.overrun)
                .arg(e.brk)
                .arg(e.bufferOverrun));
        win.click("Reset counters");
        EXPECT_TRUE(win.shows([](const auto& s) { return s.errors == linestatus::ErrorCounts {} && s.rxBytes == 0; }));
        win.view().ClosePort();
        testDevices().removeBoard();
    }
}

} // namespace
