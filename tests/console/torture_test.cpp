// The load run driven from console windows on the virtual board: what the
// commands open and close, the progress line and which pane shows it, the
// abort message, and that closing any window ends the run.
#include "consolewindow.h"
#include "uiwait.h"

#include "consoleui/torturedisplay.h"
#include "portio/devicenamespace.h"
#include "res/commandids.h"
#include "tests/support/qtfakeuiservices.h"
#include "tests/support/testdevices.h"
#include "torture/tortureparams.h"
#include "torture/torturerun.h"
#include "vboard/boardinstall.h"

#include <QLineEdit>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>

namespace {

using namespace std::chrono_literals;
using torture::TortureRun;

constexpr uint32_t FastBaud = 921600;

class TortureUi : public ::testing::Test {
protected:
    void SetUp() override { torture::setTortureParams({}); }
    void TearDown() override
    {
        run().stop();
        windows.clear();
        torture::setTortureParams({});
        testDevices().removeBoard();
    }

    static TortureRun& run() { return TortureRun::instance(); }
    static portio::DeviceNamespace& ns() { return testDevices(); }

    void makeBoard(vboard::BoardConfig config) { board = vboard::installVirtualBoard(ns(), config); }
    // Eight ports, COM3 to COM10, wired in null-modem pairs.
    void makeSmallBoard()
    {
        vboard::BoardConfig config;
        config.ports = 8;
        config.wiring = vboard::Wiring::Pairs;
        makeBoard(config);
    }

    ConsoleWindow& newWindow() { return *windows.emplace_back(std::make_unique<ConsoleWindow>(ui)); }
    void closeWindow(ConsoleWindow& win)
    {
        std::erase_if(windows, [&](const auto& w) { return w.get() == &win; });
    }

    static bool canOpen(int com) { return ns().open("COM" + std::to_string(com), portio::Access::ReadWrite).ok(); }
    static bool allOpenable(int first, int count)
    {
        for (int com = first; com < first + count; ++com)
            if (!canOpen(com)) return false;
        return true;
    }

    // The count of a progress line "COM <first>   KB sent: <n>".
    static std::optional<uint64_t> shownCount(const QString& text, uint32_t first = 3)
    {
        static const QRegularExpression line(QStringLiteral("^COM (\\d+)   KB sent: (\\d+)$"));
        const auto m = line.match(text);
        if (!m.hasMatch() || m.captured(1).toUInt() != first) return std::nullopt;
        return m.captured(2).toULongLong();
    }

    uint64_t maxBlocks() const
    {
        const auto counts = run().blockCounts();
        return counts.empty() ? 0 : *std::max_element(counts.begin(), counts.end());
    }

    // Settings a port keeps between opens: RTS/CTS handshake.
    void presetHandshake(int index)
    {
        auto port = board->open(index, portio::Access::ReadWrite);
        ASSERT_TRUE(port.ok());
        portio::Dcb dcb = port.value()->getState().value();
        dcb.fOutxCtsFlow = true;
        dcb.fRtsControl = portio::RTS_CONTROL_HANDSHAKE;
        ASSERT_TRUE(port.value()->setState(dcb).ok());
        port.value()->close();
    }

    FakeUiServices ui;
    std::shared_ptr<vboard::VirtualBoard> board;
    std::vector<std::unique_ptr<ConsoleWindow>> windows;
};

TEST_F(TortureUi, DefaultsRunOnEveryPortOfTheDefaultBoard)
{
    makeBoard(vboard::parseBoardOption("").value());
    ConsoleWindow& win = newWindow();
    win.view().runCommand(cmd::ID_TORTURE_START);
    ASSERT_TRUE(run().running());
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
    EXPECT_EQ(run().blockCounts().size(), 96u);
    EXPECT_EQ(board->dcb(0).BaudRate, 115200u);
    EXPECT_EQ(board->dcb(95).BaudRate, 115200u);
    EXPECT_FALSE(canOpen(3));
    EXPECT_FALSE(canOpen(98));

    std::optional<uint64_t> first;
    ASSERT_TRUE(uiWaitFor([&] { return (first = shownCount(win.shown())).has_value(); })) << win.shown().toStdString();
    EXPECT_TRUE(uiWaitFor([&] { return shownCount(win.shown()).value_or(0) > *first; }));

    win.view().runCommand(cmd::ID_TORTURE_STOP);
    EXPECT_FALSE(run().running());
    EXPECT_TRUE(allOpenable(3, 96));
}

TEST_F(TortureUi, ProgressGoesToTheNewestWindowAsItsWholeText)
{
    makeSmallBoard();
    torture::setTortureParams({ 3, 2, FastBaud });
    ConsoleWindow& starter = newWindow();
    ConsoleWindow& newest = newWindow();
    newest.pane().appendBytes("earlier text\r\n");
    starter.view().runCommand(cmd::ID_TORTURE_START);
    ASSERT_TRUE(uiWaitFor([&] { return shownCount(newest.shown()).value_or(0) >= 1; })) << newest.shown().toStdString();
    EXPECT_LE(*shownCount(newest.shown()), maxBlocks());
    EXPECT_TRUE(starter.shown().isEmpty());

    // The number after "COM " follows the parameter; the run keeps its ports.
    torture::setTortureParams({ 11, 1, 300 });
    EXPECT_TRUE(uiWaitFor([&] { return shownCount(newest.shown(), 11).has_value(); }));
    EXPECT_EQ(run().blockCounts().size(), 2u);

    // After Stop the last line stays.
    starter.view().runCommand(cmd::ID_TORTURE_STOP);
    const QString last = newest.shown();
    TortureDisplay::instance().refresh();
    EXPECT_EQ(newest.shown(), last);
    EXPECT_FALSE(TortureDisplay::instance().following());
}

TEST_F(TortureUi, AfterAWindowClosesNothingIsShownUntilANewWindowExists)
{
    makeSmallBoard();
    torture::setTortureParams({ 3, 2, FastBaud });
    ConsoleWindow& older = newWindow();
    closeWindow(newWindow());
    older.view().runCommand(cmd::ID_TORTURE_START);
    ASSERT_TRUE(run().running());
    ASSERT_TRUE(uiWaitFor([&] { return maxBlocks() >= 3; }));
    TortureDisplay::instance().refresh();
    EXPECT_TRUE(older.shown().isEmpty()) << older.shown().toStdString();

    ConsoleWindow& fresh = newWindow();
    EXPECT_TRUE(uiWaitFor([&] { return shownCount(fresh.shown()).value_or(0) >= 1; }));
    EXPECT_TRUE(older.shown().isEmpty());
}

TEST_F(TortureUi, ClosingAnyWindowEndsTheRunAndFreesEveryPort)
{
    makeSmallBoard();
    torture::setTortureParams({ 3, 8, FastBaud });
    ConsoleWindow& starter = newWindow();
    ConsoleWindow& other = newWindow();
    starter.view().runCommand(cmd::ID_TORTURE_START);
    ASSERT_TRUE(uiWaitFor([&] { return maxBlocks() >= 2; }));
    closeWindow(other);
    EXPECT_FALSE(run().running());
    EXPECT_TRUE(allOpenable(3, 8));
    // Stop when idle does nothing and shows nothing.
    starter.view().runCommand(cmd::ID_TORTURE_STOP);
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(TortureUi, FailingFifthPortIsNamedAndTheFourBeforeItAreFree)
{
    makeSmallBoard();
    torture::setTortureParams({ 3, 5, FastBaud });
    board->failNextOpens(4);
    ConsoleWindow& win = newWindow();
    bool freeWhenShown = false;
    ui.onMessage = [&](const QString&) { freeWhenShown = allOpenable(3, 4); };
    win.view().runCommand(cmd::ID_TORTURE_START);
    EXPECT_EQ(ui.messages, QStringList { QStringLiteral(R"(\\.\COM7 could not be opened. Aborting operation...)") });
    EXPECT_TRUE(freeWhenShown);
    EXPECT_FALSE(run().running());
    EXPECT_TRUE(allOpenable(3, 5));
    TortureDisplay::instance().refresh();
    EXPECT_TRUE(win.shown().isEmpty());

    // A later start begins afresh.
    ui.messages.clear();
    win.view().runCommand(cmd::ID_TORTURE_START);
    EXPECT_TRUE(run().running());
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(TortureUi, PortCountZeroIsARunWithoutPorts)
{
    makeSmallBoard();
    torture::setTortureParams({ 3, 0, FastBaud });
    ConsoleWindow& win = newWindow();
    win.view().runCommand(cmd::ID_TORTURE_START);
    EXPECT_TRUE(run().running());
    EXPECT_TRUE(run().blockCounts().empty());
    EXPECT_TRUE(allOpenable(3, 8));
    TortureDisplay::instance().refresh();
    EXPECT_TRUE(win.shown().isEmpty());
    win.view().runCommand(cmd::ID_TORTURE_STOP);
    EXPECT_FALSE(run().running());
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(TortureUi, StartFreesTheWindowsOwnPortEvenWhileARunIsActive)
{
    makeSmallBoard();
    torture::setTortureParams({ 3, 2, FastBaud });
    ConsoleWindow& first = newWindow();
    // The window's own port is one the run needs: it is closed first.
    ASSERT_TRUE(first.connect("COM3"));
    const QString title = first.view().documentTitle();
    first.view().setDocumentTitle(title + QStringLiteral(" connected to COM3"));
    first.view().runCommand(cmd::ID_TORTURE_START);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
    ASSERT_TRUE(run().running());
    EXPECT_FALSE(first.view().m_portCtx.isConnected);
    EXPECT_EQ(first.view().documentTitle(), title);

    ConsoleWindow& second = newWindow();
    ASSERT_TRUE(second.connect("COM9"));
    torture::setTortureParams({ 5, 1, 300 });
    second.view().runCommand(cmd::ID_TORTURE_START);
    EXPECT_FALSE(second.view().m_portCtx.isConnected);
    EXPECT_TRUE(canOpen(9));
    EXPECT_TRUE(canOpen(5)); // the new parameters were not used
    EXPECT_EQ(run().blockCounts().size(), 2u);
    EXPECT_EQ(board->dcb(0).BaudRate, FastBaud);
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(TortureUi, StopEndsWritersHeldByFlowControlAndFreesEveryPort)
{
    makeSmallBoard();
    presetHandshake(0);
    presetHandshake(1);
    torture::setTortureParams({ 3, 2, FastBaud });
    ConsoleWindow& win = newWindow();
    win.view().runCommand(cmd::ID_TORTURE_START);
    ASSERT_TRUE(run().running());
    // Neither side reads: each input queue fills and drops RTS, so both
    // writers are held inside a write with a 100-second limit.
    ASSERT_TRUE(uiWaitFor([&] { return !board->modemOutputs(0).rts && !board->modemOutputs(1).rts; }));
    const auto begin = std::chrono::steady_clock::now();
    win.view().runCommand(cmd::ID_TORTURE_STOP);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 10s);
    EXPECT_FALSE(run().running());
    EXPECT_TRUE(allOpenable(3, 8));
}

TEST_F(TortureUi, WritersBytesReachTheFarEndsAndTheCountGrows)
{
    makeSmallBoard();
    // COM3 and COM5 run; their partners COM4 and COM6 listen.
    torture::setTortureParams({ 3, 1, FastBaud });
    std::vector<portio::PortPtr> farEnds;
    for (const char* name : { "COM4", "COM6" }) {
        auto port = ns().open(name, portio::Access::ReadWrite);
        ASSERT_TRUE(port.ok()) << name;
        port.value()->setTimeouts({ portio::MAXDWORD, portio::MAXDWORD, 50, 0, 0 });
        farEnds.push_back(std::move(port.value()));
    }
    ConsoleWindow& win = newWindow();
    win.view().runCommand(cmd::ID_TORTURE_START);
    ASSERT_TRUE(run().running());

    std::string received;
    char buffer[1024];
    const auto readFar = [&](portio::Port& port) { return port.read(buffer, sizeof buffer).count; };
    ASSERT_TRUE(uiWaitFor([&] {
        received.append(buffer, readFar(*farEnds[0]));
        return received.size() >= 4096;
    }));
    for (size_t i = 0; i < received.size(); ++i)
        ASSERT_GE(uint8_t(received[i]), 0x20) << i;
    // Only the run's own ports are written to.
    EXPECT_EQ(readFar(*farEnds[1]), 0u);

    std::optional<uint64_t> before;
    ASSERT_TRUE(uiWaitFor([&] { return (before = shownCount(win.shown())).has_value(); }));
    EXPECT_TRUE(uiWaitFor([&] {
        readFar(*farEnds[0]);
        return shownCount(win.shown()).value_or(0) > *before;
    }));
}

TEST_F(TortureUi, PortParametersRunsTheDialogAndStartUsesItsValues)
{
    makeSmallBoard();
    ConsoleWindow& win = newWindow();
    ui.queueDialog([](QDialog& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("portCount"))->setText(QStringLiteral(" 2 "));
        dialog.findChild<QLineEdit*>(QStringLiteral("baudRate"))->setText(QStringLiteral("9600"));
        dialog.accept();
        return dialog.result();
    });
    win.view().runCommand(cmd::ID_TORTURE_PARAMS);
    EXPECT_EQ(ui.dialogsRun, 1);
    EXPECT_EQ(torture::tortureParams(), (torture::TortureParams { 3, 2, 9600 }));
    win.view().runCommand(cmd::ID_TORTURE_START);
    EXPECT_EQ(run().blockCounts().size(), 2u);
    EXPECT_EQ(board->dcb(1).BaudRate, 9600u);
    EXPECT_TRUE(canOpen(5));
}

} // namespace
