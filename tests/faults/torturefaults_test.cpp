// The load run when ports fail: one port unplugged mid-run, and an open that
// fails part-way through the start. Stop always returns and every port ends
// up closed.
#include "faultfixture.h"

#include "tests/console/consolewindow.h"
#include "tests/console/uiwait.h"

#include "consoleui/torturedisplay.h"
#include "res/commandids.h"
#include "torture/tortureparams.h"
#include "torture/torturerun.h"

namespace {

using namespace std::chrono_literals;
using torture::TortureRun;

constexpr uint32_t FastBaud = 921600;

class TortureFault : public FaultTest {
protected:
    void SetUp() override
    {
        torture::setTortureParams({});
        installBoard(4, vboard::Wiring::Pairs);
    }
    void TearDown() override
    {
        run().stop();
        torture::setTortureParams({});
        FaultTest::TearDown();
    }
    static TortureRun& run() { return TortureRun::instance(); }
    static bool allOpenable(int first, int count)
    {
        for (int com = first; com < first + count; ++com)
            if (!openable(("COM" + std::to_string(com)).c_str())) return false;
        return true;
    }
    static uint64_t count(size_t port)
    {
        const auto counts = run().blockCounts();
        return port < counts.size() ? counts[port] : 0;
    }
};

TEST_F(TortureFault, UnpluggedPortDoesNotStopTheOthersAndStopFreesEveryPort)
{
    torture::setTortureParams({ 3, 4, FastBaud });
    const Baseline base;
    {
        ConsoleWindow win { ui };
        win.view().runCommand(cmd::ID_TORTURE_START);
        ASSERT_TRUE(run().running());
        ASSERT_TRUE(uiWaitFor([] { return count(1) >= 2 && count(0) >= 2; }));
        board->unplug(1);
        // The run goes on: the ports still plugged in keep counting.
        const uint64_t before = count(0);
        EXPECT_TRUE(uiWaitFor([&] { return count(0) > before + 2; }));
        EXPECT_TRUE(run().running());

        const auto begin = std::chrono::steady_clock::now();
        win.view().runCommand(cmd::ID_TORTURE_STOP);
        EXPECT_LT(std::chrono::steady_clock::now() - begin, 10s);
        EXPECT_FALSE(run().running());
        board->replug(1);
        EXPECT_TRUE(allOpenable(3, 4));
        EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
        // A new run starts on the replugged port.
        win.view().runCommand(cmd::ID_TORTURE_START);
        EXPECT_TRUE(run().running());
        EXPECT_TRUE(uiWaitFor([] { return count(1) >= 1; }));
        win.view().runCommand(cmd::ID_TORTURE_STOP);
    }
    EXPECT_TRUE(base.restored()) << base.report();
}

TEST_F(TortureFault, ClosingTheWindowWithAPortUnpluggedEndsTheRun)
{
    torture::setTortureParams({ 3, 2, FastBaud });
    const Baseline base;
    {
        ConsoleWindow win { ui };
        win.view().runCommand(cmd::ID_TORTURE_START);
        ASSERT_TRUE(uiWaitFor([] { return count(0) >= 1; }));
        board->unplug(0);
        board->unplug(1);
        win.frame.reset();
        EXPECT_FALSE(run().running());
    }
    board->replug(0);
    board->replug(1);
    EXPECT_TRUE(allOpenable(3, 2));
    EXPECT_TRUE(base.restored()) << base.report();
}

TEST_F(TortureFault, ThirdOpenFailingIsNamedAndTheFirstTwoAreClosedAgain)
{
    torture::setTortureParams({ 3, 4, FastBaud });
    board->failNextOpens(2);
    const Baseline base;
    {
        ConsoleWindow win { ui };
        bool firstTwoFreeWhenShown = false;
        ui.onMessage = [&](const QString&) { firstTwoFreeWhenShown = allOpenable(3, 2); };
        win.view().runCommand(cmd::ID_TORTURE_START);
        EXPECT_EQ(
            ui.messages, QStringList { QStringLiteral(R"(\\.\COM5 could not be opened. Aborting operation...)") });
        EXPECT_TRUE(firstTwoFreeWhenShown);
        EXPECT_FALSE(run().running());
        EXPECT_TRUE(allOpenable(3, 4));
        TortureDisplay::instance().refresh();
        EXPECT_TRUE(win.shown().isEmpty()) << win.shown().toStdString();
    }
    EXPECT_TRUE(base.restored()) << base.report();
}

} // namespace
