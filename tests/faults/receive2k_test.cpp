// Receive 2K while its port goes away: the pending read ends at once with
// its message, the port is closed, the window stays usable.
// The driver's headers go before Qt's (Qt's `slots` keyword clashes with them).
#include "driverext/receive2k.h"

#include "faultfixture.h"

#include "tests/console/consolewindow.h"
#include "tests/console/portchoice.h"

#include "console/drivercommands.h"
#include "res/commandids.h"

#include <atomic>

namespace {

using namespace std::chrono_literals;

class Receive2KFault : public FaultTest {
protected:
    void TearDown() override
    {
        receive2KOptions() = m_saved; // the product's settings again
        FaultTest::TearDown();
    }
    const driverext::Receive2KOptions m_saved = receive2KOptions();
    ListedPorts listed { 3 };
};

TEST_F(Receive2KFault, UnplugWhileTheReadWaitsEndsItWithAMessageAndClosesThePort)
{
    installBoard(1);
    const Baseline base;
    {
        ConsoleWindow win { ui };
        receive2KOptions().limit = 15s; // reached only if the fault goes unnoticed
        // The pump runs only while the read is pending: pull the device there.
        std::atomic<bool> unplugged { false };
        receive2KOptions().pump = [&] {
            if (!unplugged.exchange(true)) board->unplug(0);
        };
        queuePortChoice(ui, "COM3");
        const auto begin = std::chrono::steady_clock::now();
        ASSERT_TRUE(win.view().runCommand(cmd::ID_RECEIVE_2K));
        EXPECT_LT(std::chrono::steady_clock::now() - begin, 10s);
        ASSERT_TRUE(unplugged);
        // Putting the time-outs back fails on the vanished device, and says so.
        EXPECT_EQ(ui.messages, (QStringList { "Asynchronous read failed", "setTimeouts failed" }));
        EXPECT_FALSE(win.view().isBusy());
        EXPECT_FALSE(win.view().m_portCtx.isConnected);
        board->replug(0);
        EXPECT_TRUE(openable("COM3"));
        // The window can connect to it again.
        EXPECT_TRUE(win.connect("COM3"));
    }
    EXPECT_TRUE(base.restored()) << base.report();
}

} // namespace
