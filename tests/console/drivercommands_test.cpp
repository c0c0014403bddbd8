// The board driver's commands in console windows: Receive 2K and the
// diagnostic commands on the virtual board (what the driver received) and on
// pseudo-terminals (a driver that knows none of the codes), with the port
// settings dialog answered by the test.
// The driver's headers go before Qt's (Qt's `slots` keyword clashes with them).
#include "driverext/controlcodes.h"
#include "driverext/receive2k.h"

#include "consolewindow.h"
#include "portchoice.h"
#include "uiwait.h"

#include "console/drivercommands.h"
#include "portio/devicenamespace.h"
#include "res/commandids.h"
#include "res/texts.h"
#include "tests/support/ptypair.h"
#include "tests/support/qtfakeuiservices.h"
#include "tests/support/testdevices.h"
#include "vboard/virtualboard.h"

#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>

using namespace std::chrono_literals;

namespace {

constexpr uint32_t FastBaud = 921600;

// Restores the product's Receive 2K settings after a test shortened them.
class Receive2KSettings {
public:
    Receive2KSettings()
        : m_saved(receive2KOptions())
    {
    }
    ~Receive2KSettings() { receive2KOptions() = m_saved; }

private:
    driverext::Receive2KOptions m_saved;
};

const QString NoPort = QString::fromLatin1(txt::NoPortConnected);

class DriverCommandsBase : public ::testing::Test {
protected:
    DriverCommandsBase() { win.view().setDocumentTitle(QStringLiteral("Thread 1")); }

    static bool isHeld(const char* com)
    {
        return !testDevices().open(std::string("\\\\.\\") + com, portio::Access::Read).ok();
    }
    void run(int id) { ASSERT_TRUE(win.view().runCommand(id)); }
    void connectVia(const char* com)
    {
        queuePortChoice(ui, com);
        run(cmd::ID_CONNECT_PORT);
        ASSERT_TRUE(win.view().m_portCtx.isConnected);
    }
    QString caption() const { return win.frame->windowTitle(); }

    Receive2KSettings settings;
    FakeUiServices ui;
    ConsoleWindow win { ui };
};

// COM3 and COM4 of a virtual board wired to each other: the test writes on
// COM4 what the command receives on COM3.
class DriverCommandsBoard : public DriverCommandsBase {
protected:
    void SetUp() override
    {
        vboard::BoardConfig config;
        config.ports = 2;
        config.wiring = vboard::Wiring::Pairs;
        board = std::make_shared<vboard::VirtualBoard>(config);
        testDevices().installBoard(board, board->names());
        partner = std::move(board->open(1, portio::Access::ReadWrite).value());
        portio::Dcb dcb;
        dcb.BaudRate = FastBaud;
        ASSERT_TRUE(partner->setState(dcb).ok());
        win.view().m_portCtx.baudRate = FastBaud; // left on COM3 by the first connection
    }
    void TearDown() override
    {
        if (sender.joinable()) sender.join();
        partner->close();
        win.frame.reset();
        testDevices().removeBoard();
    }

    void send(size_t n)
    {
        const std::vector<uint8_t> bytes(n, 0x5A);
        EXPECT_TRUE(partner->write(bytes.data(), bytes.size()).ok());
    }
    // Sends n bytes from the partner once the test has reached its read.
    void sendOnceReading(size_t n)
    {
        sender = std::thread([this, n] {
            const auto end = std::chrono::steady_clock::now() + 10s;
            while (board->driverState(0).protocol() != 'N' && std::chrono::steady_clock::now() < end)
                std::this_thread::sleep_for(1ms);
            send(n);
        });
    }
    // Sends n bytes after the port is open and before the read starts.
    void sendBeforeRead(size_t n)
    {
        receive2KOptions().setup.allocator = [this, n, done = false](size_t size) mutable {
            if (!std::exchange(done, true)) send(n);
            return driverext::allocateBlock(size);
        };
    }

    // The driver codes COM3 received, without the ordinary port requests.
    std::vector<vboard::DriverRequest> driverRequests() const
    {
        std::vector<vboard::DriverRequest> found;
        for (auto& r : board->requests(0))
            if (driverext::findControlCode(r.code)) found.push_back(r);
        return found;
    }
    std::vector<uint32_t> driverCodes() const
    {
        std::vector<uint32_t> codes;
        for (auto& r : driverRequests())
            codes.push_back(r.code);
        return codes;
    }

    ListedPorts listed { 3, 4 };
    std::shared_ptr<vboard::VirtualBoard> board;
    portio::PortPtr partner;
    std::thread sender;
};

using namespace driverext;
const std::vector<uint32_t> SetupCodes { IOCTL_VLX_GET_EXTRA, IOCTL_VLX_SET_EXTRA, IOCTL_VLX_SET_CUSTOM,
    IOCTL_VLX_SET_PROTOCOL };

TEST_F(DriverCommandsBoard, Receive2KDisconnectsInstallsProfileNAndCompletes)
{
    connectVia("COM3");
    ASSERT_EQ(caption(), "Thread 1 connected to COM3");
    receive2KOptions().limit = 20s; // reached only if bytes are lost
    sendBeforeRead(1000);
    sendOnceReading(1048);
    queuePortChoice(ui, "COM3");
    run(cmd::ID_RECEIVE_2K);

    EXPECT_EQ(ui.messages, QStringList { "Asynchronous read completed" });
    EXPECT_EQ(caption(), "Thread 1");
    EXPECT_FALSE(win.view().m_portCtx.isConnected);
    EXPECT_EQ(win.view().m_portCtx.portName, "COM3");
    EXPECT_EQ(driverCodes(), SetupCodes);
    const auto requests = driverRequests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].input.size(), EXTRA_BUFFER_SIZE);
    EXPECT_EQ(requests[0].outputSize, EXTRA_BUFFER_SIZE);
    EXPECT_EQ(requests[1].input.size(), EXTRA_BUFFER_SIZE);
    EXPECT_EQ(requests[1].outputSize, 0u);
    EXPECT_EQ(requests[2].input.size(), CUSTOM_INPUT_SIZE);
    EXPECT_EQ(requests[3].input, std::vector<uint8_t> { 'N' });
    EXPECT_EQ(board->driverState(0).record()[34], 0x10); // profile N's first byte

    EXPECT_FALSE(isHeld("COM3"));
    connectVia("COM3");
    EXPECT_EQ(caption(), "Thread 1 connected to COM3");
}

TEST_F(DriverCommandsBoard, Receive2KTimesOutKeepsTheWindowAndThenReleasesThePort)
{
    receive2KOptions().limit = 300ms;
    sendBeforeRead(2047);
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; }); // only a waiting loop can run it
    bool heldWhileShown = false, busyWhileShown = false, closedWhileShown = true;
    ui.onMessage = [&](const QString&) {
        heldWhileShown = isHeld("COM3");
        busyWhileShown = win.view().isBusy();
        closedWhileShown = win.frame->close();
    };
    queuePortChoice(ui, "COM3");
    run(cmd::ID_RECEIVE_2K);

    EXPECT_EQ(ui.messages, QStringList { "WaitForSingleObject timed out" });
    EXPECT_TRUE(timerRan);
    // The read is aborted only after the message, and the window stays meanwhile.
    EXPECT_TRUE(heldWhileShown);
    EXPECT_TRUE(busyWhileShown);
    EXPECT_FALSE(closedWhileShown);
    EXPECT_FALSE(win.view().isBusy());
    EXPECT_EQ(driverCodes(), SetupCodes);
    connectVia("COM3");
}

TEST_F(DriverCommandsBoard, CancelOnNoPortEndsWithoutOpening)
{
    for (int id : { cmd::ID_RECEIVE_2K, cmd::ID_TIMED_WRITE }) {
        queuePortCancel(ui);
        run(id);
    }
    EXPECT_EQ(ui.dialogsRun, 2);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
    EXPECT_TRUE(board->requests(0).empty());
    EXPECT_EQ(win.view().m_portCtx.portName, "None");
}

TEST_F(DriverCommandsBoard, DiagnosticsOnAConnectedPortSendTheirCodesAndKeepTheConnection)
{
    connectVia("COM3");
    for (int id : { cmd::ID_INSTALL_PROFILE_N, cmd::ID_INSTALL_PROFILE_D, cmd::ID_RESET_CUSTOM, cmd::ID_SHOW_RESULT_1,
             cmd::ID_SHOW_RESULT_2, cmd::ID_FIRMWARE_RESET, cmd::ID_DUMP_UART })
        run(id);

    std::vector<uint32_t> expected = SetupCodes;
    expected.insert(expected.end(), SetupCodes.begin(), SetupCodes.end());
    expected.insert(expected.end(),
        { IOCTL_VLX_RESET_CUSTOM, IOCTL_VLX_GET_LAST_READ_RESULT, IOCTL_VLX_GET_LAST_READ_RESULT2,
            IOCTL_VLX_FIRMWARE_RESET, IOCTL_VLX_DUMP_UART });
    ASSERT_EQ(driverCodes(), expected);
    const auto requests = driverRequests();
    EXPECT_EQ(requests[3].input, (std::vector<uint8_t> { 'N', 0 }));
    EXPECT_EQ(requests[7].input, (std::vector<uint8_t> { 'D', 0 }));
    for (size_t i = 9; i < 13; ++i) {
        EXPECT_EQ(requests[i].input.size(), QUERY_INPUT_SIZE);
        EXPECT_EQ(requests[i].outputSize, QUERY_OUTPUT_SIZE);
    }
    const QStringList shown { QString::number(requests[9].output.at(0)), QString::number(requests[10].output.at(0)),
        txt::FirmwareResetNotice, txt::DumpUartNotice };
    EXPECT_EQ(ui.messages, shown);
    EXPECT_FALSE(board->driverState(0).customMode());

    EXPECT_TRUE(win.view().m_portCtx.isConnected);
    EXPECT_EQ(caption(), "Thread 1 connected to COM3");
    send(5);
    EXPECT_TRUE(uiWaitFor([&] { return win.shown() == "ZZZZZ"; })) << win.shown().toStdString();
}

TEST_F(DriverCommandsBoard, PortCommandsOnAnUnconnectedWindowShowOnlyNoPortConnected)
{
    const int ids[] = { cmd::ID_INSTALL_PROFILE_N, cmd::ID_RESET_CUSTOM, cmd::ID_INSTALL_PROFILE_D,
        cmd::ID_SHOW_RESULT_1, cmd::ID_SHOW_RESULT_2, cmd::ID_FIRMWARE_RESET, cmd::ID_DUMP_UART };
    for (int id : ids)
        run(id);
    EXPECT_EQ(ui.messages, QStringList(std::size(ids), NoPort));
    EXPECT_EQ(ui.dialogsRun, 0);
    EXPECT_TRUE(board->requests(0).empty());
}

TEST_F(DriverCommandsBoard, TimedWriteOnAHeldPortFailsAndLeavesTheHolderAlone)
{
    ConsoleWindow holder { ui };
    holder.view().m_portCtx.baudRate = FastBaud;
    ASSERT_TRUE(holder.connect("COM3"));
    queuePortChoice(ui, "COM3");
    run(cmd::ID_TIMED_WRITE);
    EXPECT_EQ(ui.messages, QStringList { "The port could not be opened" });
    EXPECT_TRUE(holder.view().m_portCtx.isConnected);
    EXPECT_EQ(caption(), "Thread 1");
}

TEST_F(DriverCommandsBoard, TimedWriteDisconnectsWritesAtMostItsLimitAndClosesThePort)
{
    connectVia("COM3");
    queuePortChoice(ui, "COM3");
    run(cmd::ID_TIMED_WRITE);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
    EXPECT_EQ(caption(), "Thread 1");
    EXPECT_EQ(win.view().m_portCtx.portName, "COM3");
    EXPECT_FALSE(isHeld("COM3"));
    // 1 ms of the line is a few hundred bytes at most, never the whole block:
    // what the partner reads within a second stays short of 8 KiB.
    portio::CommTimeouts waitASecond {};
    waitASecond.ReadTotalTimeoutConstant = 1000;
    ASSERT_TRUE(partner->setTimeouts(waitASecond).ok());
    std::vector<uint8_t> got(8192);
    const portio::IoResult r = partner->read(got.data(), got.size());
    EXPECT_LT(r.count, 8192u);
}

// Makes RADUZI1 name a port and removes both names afterwards.
class AliasNames {
public:
    ~AliasNames()
    {
        testDevices().undefine("RADUZI1");
        testDevices().undefine("ZUZARE2");
    }
};

TEST_F(DriverCommandsBoard, DefineAliasNeedsNoPortAndFailsWithoutASource)
{
    AliasNames names;
    auto& ns = testDevices();
    run(cmd::ID_DEFINE_ALIAS);
    EXPECT_EQ(ui.messages, QStringList { "Error defining DosDevice" });
    EXPECT_FALSE(ns.query("ZUZARE2").ok());

    ASSERT_TRUE(ns.define("RADUZI1", vboard::VirtualBoard::target(1)).ok());
    run(cmd::ID_DEFINE_ALIAS);
    EXPECT_EQ(ui.messages.size(), 1);
    ASSERT_TRUE(ns.query("ZUZARE2").ok());
    EXPECT_EQ(ns.query("ZUZARE2").value(), vboard::VirtualBoard::target(1));
}

// A pseudo-terminal as COM2: a port whose driver knows none of the codes.
class DriverCommandsPty : public DriverCommandsBase {
protected:
    void SetUp() override { ASSERT_TRUE(testDevices().define("COM2", pty.slavePath()).ok()); }
    void TearDown() override
    {
        win.frame.reset();
        testDevices().undefine("COM2");
    }

    ListedPorts listed { 2 };
    PtyPair pty;
};

TEST_F(DriverCommandsPty, Receive2KReportsEachRefusedStepThenStillWaits)
{
    receive2KOptions().limit = 200ms;
    queuePortChoice(ui, "COM2");
    run(cmd::ID_RECEIVE_2K);
    const QStringList expected { "GetExtra failed", "SetExtra failed", "SetCustom failed", "SetProtocol failed",
        "WaitForSingleObject timed out" };
    EXPECT_EQ(ui.messages, expected);
    connectVia("COM2");
}

TEST_F(DriverCommandsPty, EachDiagnosticShowsItsFailureAndCarriesOn)
{
    connectVia("COM2");
    const std::pair<int, QStringList> cases[] = {
        { cmd::ID_INSTALL_PROFILE_N,
            { "GetExtra failed", "SetExtra failed", "SetCustom failed", "SetProtocol failed" } },
        { cmd::ID_INSTALL_PROFILE_D,
            { "GetExtra failed", "SetExtra failed", "SetCustom failed", "SetProtocol failed" } },
        { cmd::ID_RESET_CUSTOM, { "Reset Custom failed" } },
        { cmd::ID_SHOW_RESULT_1, { "GetLastReadResult failed", "13" } },
        { cmd::ID_SHOW_RESULT_2, { "GetLastReadResult failed", "13" } },
        { cmd::ID_FIRMWARE_RESET, { "VL330 firmware reset failed", txt::FirmwareResetNotice } },
        { cmd::ID_DUMP_UART, { "VL330 dump uart failed", txt::DumpUartNotice } },
    };
    for (const auto& [id, expected] : cases) {
        ui.messages.clear();
        run(id);
        EXPECT_EQ(ui.messages, expected) << id;
    }
    EXPECT_TRUE(win.view().m_portCtx.isConnected);
    ASSERT_TRUE(pty.writeAll("ok"));
    EXPECT_TRUE(uiWaitFor([&] { return win.shown() == "ok"; })) << win.shown().toStdString();
}

} // namespace
