// A port that another program takes between discovery and connect: the
// connect fails with its message, holds nothing, and works once the other
// program lets go.
#include "faultfixture.h"

#include "tests/console/consolewindow.h"
#include "tests/console/portchoice.h"
#include "tests/console/uiwait.h"

#include "res/commandids.h"
#include "tests/support/ptypair.h"
#include "tests/support/testdevices.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

class PortTaken : public FaultTest {
protected:
    void SetUp() override { ASSERT_TRUE(testDevices().define("COM2", pty.slavePath()).ok()); }
    void TearDown() override
    {
        testDevices().undefine("COM2");
        FaultTest::TearDown();
    }
    void connect(ConsoleWindow& win)
    {
        queuePortChoice(ui, "COM2");
        ASSERT_TRUE(win.view().runCommand(cmd::ID_CONNECT_PORT));
    }

    PtyPair pty;
    ListedPorts listed { 2 }; // discovery found it free
};

TEST_F(PortTaken, AnotherProgramsLockRefusesTheConnect)
{
    const Baseline base;
    {
        // The other program: its own descriptor with an exclusive lock.
        const int other = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(other, 0);
        ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
        ConsoleWindow win { ui };
        connect(win);
        EXPECT_EQ(ui.messages, QStringList { "The port could not be opened" });
        EXPECT_FALSE(win.view().m_portCtx.isConnected);
        EXPECT_FALSE(win.view().receiveThreadRunning());
        EXPECT_EQ(win.view().m_portCtx.portName, "COM2"); // kept for a retry

        ::close(other);
        ui.messages.clear();
        connect(win);
        EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
        ASSERT_TRUE(win.view().m_portCtx.isConnected);
        ASSERT_TRUE(pty.writeAll("free again"));
        EXPECT_TRUE(uiWaitFor([&] { return win.shown() == "free again"; }));
    }
    EXPECT_TRUE(base.restored()) << base.report();
}

} // namespace
