// The device goes away while a write is held on a slow line with no write
// time-out: the command returns, the window stays usable, nothing is left.
#include "faultfixture.h"

#include "tests/console/consolewindow.h"
#include "tests/console/uiwait.h"

#include "res/commandids.h"
#include "tests/support/waitfor.h"

#include <atomic>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr uint32_t SlowBaud = 300; // 10 KB take more than five minutes

class BlockedWrite : public FaultTest {
protected:
    // COM3 and COM4 wired to each other; the far end listens on COM4.
    void SetUp() override
    {
        installBoard(2, vboard::Wiring::Pairs);
        auto port = board->open(1, portio::Access::ReadWrite);
        ASSERT_TRUE(port.ok());
        far = std::move(port.value());
        portio::Dcb dcb = far->getState().value();
        dcb.BaudRate = SlowBaud;
        ASSERT_TRUE(far->setState(dcb).ok());
        ASSERT_TRUE(far->setTimeouts({ portio::MAXDWORD, portio::MAXDWORD, 50, 0, 0 }).ok());
    }
    void TearDown() override
    {
        if (far) far->close();
        far.reset();
        FaultTest::TearDown();
    }
    // Connects the window to COM3 on the slow line with no write time-out:
    // only the fault can end a write.
    static void connectSlowly(ConsoleWindow& win)
    {
        win.view().m_portCtx.baudRate = SlowBaud;
        ASSERT_TRUE(win.connect("COM3"));
        ASSERT_TRUE(win.view().m_portCtx.portHandle->setTimeouts({ portio::MAXDWORD, 0, 1000, 0, 0 }).ok());
    }
    // Reads at the far end until the first byte arrives, then unplugs COM3.
    void unplugOnceWriting()
    {
        unplugger = std::thread([this] {
            char buffer[64];
            waitFor([&] { return (received += far->read(buffer, sizeof buffer).count) > 0; }, 30s);
            board->unplug(0);
        });
    }

    portio::PortPtr far;
    std::thread unplugger;
    std::atomic<size_t> received { 0 };
};

TEST_F(BlockedWrite, UnplugMidWriteEndsSend10KAndTheWindowGoesOn)
{
    const Baseline base;
    {
        ConsoleWindow win { ui };
        connectSlowly(win);
        unplugOnceWriting();
        const auto begin = std::chrono::steady_clock::now();
        EXPECT_TRUE(win.view().runCommand(cmd::ID_SEND_10K));
        const auto took = std::chrono::steady_clock::now() - begin;
        unplugger.join();
        EXPECT_LT(took, 30s);
        EXPECT_GT(received.load(), 0u);
        EXPECT_LT(received.load(), 10240u);
        EXPECT_FALSE(win.view().isBusy());
        EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
        EXPECT_TRUE(uiWaitFor([&] { return win.shown().contains("[port COM3 is gone: "); }));

        // The next command on the dead port returns too.
        EXPECT_TRUE(win.view().runCommand(cmd::ID_SEND_FIXED_STRING));
        ASSERT_TRUE(win.view().runCommand(cmd::ID_DISCONNECT_PORT));
        EXPECT_FALSE(win.view().receiveThreadRunning());
        board->replug(0);
        EXPECT_TRUE(openable("COM3"));
    }
    EXPECT_TRUE(base.restored()) << base.report();
}

TEST_F(BlockedWrite, ClosingTheWindowAfterAnUnplugMidWriteLeavesNothing)
{
    const Baseline base;
    {
        ConsoleWindow win { ui };
        connectSlowly(win);
        unplugOnceWriting();
        EXPECT_TRUE(win.view().runCommand(cmd::ID_SEND_10K));
        unplugger.join();
        win.frame.reset(); // closed while still connected to the dead port
    }
    board->replug(0);
    EXPECT_TRUE(openable("COM3"));
    EXPECT_TRUE(base.restored()) << base.report();
}

} // namespace
