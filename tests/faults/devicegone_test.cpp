// The device goes away while bytes flow in: the pane says so in one line, the
// receive thread ends instead of spinning, a capture keeps every byte read
// before the fault and is closed on disconnect, and nothing is left open.
#include "faultfixture.h"

#include "tests/console/consolewindow.h"
#include "tests/console/uiwait.h"

#include "consoleui/statusbar.h"
#include "res/commandids.h"
#include "tests/support/ptypair.h"
#include "tests/support/testdevices.h"
#include "tests/support/waitfor.h"

#include <QStatusBar>
#include <QTemporaryDir>

#include <atomic>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace {

// Bytes that show where a gap or a repeat would be: a counter pattern.
std::string pattern(size_t n, size_t from = 0)
{
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; ++i)
        bytes[i] = char((from + i) * 7 % 251);
    return bytes;
}

bool lockableElsewhere(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool locked = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (fd >= 0) ::close(fd);
    return locked;
}

class DeviceGone : public FaultTest {
protected:
    void SetUp() override { g_pStatusBar = &status; }
    void TearDown() override
    {
        g_pStatusBar = nullptr;
        FaultTest::TearDown();
    }
    void startCapture(ConsoleWindow& win)
    {
        ui.queueFileName(dir.filePath("cap.bin"));
        ASSERT_TRUE(win.view().runCommand(cmd::ID_START_CAPTURE));
        ASSERT_EQ(win.view().m_portCtx.captureOn, 1);
    }
    std::string captured() const { return fileContent(capPath()); }
    std::string capPath() const { return dir.filePath("cap.bin").toStdString(); }

    QStatusBar bar;
    CStatusBar status { &bar };
    QTemporaryDir dir;
};

TEST_F(DeviceGone, UnplugWhileBytesFlowEndsTheThreadWithOneLine)
{
    installBoard(1);
    const Baseline base;
    {
        ConsoleWindow win { ui };
        ASSERT_TRUE(win.connect("COM3"));
        EXPECT_GT(countResources().threads, base.start().threads); // the count sees the receive thread
        std::atomic<bool> stop { false };
        std::thread remote([&] {
            const std::string block(32, 'q');
            while (!stop) {
                board->injectReceived(0, block.data(), block.size());
                std::this_thread::yield();
            }
        });
        ASSERT_TRUE(uiWaitFor([&] { return win.shown().size() > 200; }));
        board->unplug(0);
        const bool ended = uiWaitFor([&] { return !win.view().receiveThreadRunning(); });
        stop = true;
        remote.join();
        ASSERT_TRUE(ended);
        ASSERT_TRUE(uiWaitFor([&] { return win.shown().contains("[port COM3 is gone: "); }));
        EXPECT_EQ(win.shown().count("[port COM3 is gone: "), 1);
        EXPECT_EQ(win.view().m_portCtx.isConnected, 1); // attached until the user disconnects
        EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
        ASSERT_TRUE(win.view().runCommand(cmd::ID_DISCONNECT_PORT));
        EXPECT_EQ(win.view().m_portCtx.isConnected, 0);
        board->replug(0);
        EXPECT_TRUE(win.connect("COM3")); // the old handle is really gone
    }
    EXPECT_TRUE(base.restored()) << base.report();
}

// The far end writes a first block, waits until the capture holds all of it,
// writes part of a second block and hangs up at once.
TEST_F(DeviceGone, HangUpDuringACaptureKeepsEveryByteReadBeforeIt)
{
    const Baseline base;
    {
        PtyPair pty;
        ASSERT_TRUE(testDevices().define("COM2", pty.slavePath()).ok());
        ConsoleWindow win { ui };
        ASSERT_TRUE(win.connect("COM2"));
        startCapture(win);
        const std::string first = pattern(32 * 1024), second = pattern(8 * 1024, first.size());
        std::atomic<bool> firstStored { false };
        std::thread remote([&] {
            pty.writeAll(first);
            firstStored = waitFor([&] { return captured().size() >= first.size(); }, std::chrono::seconds(10));
            pty.writeAll(second);
            pty.closeMaster();
        });
        const bool ended = uiWaitFor([&] { return !win.view().receiveThreadRunning(); }, std::chrono::seconds(15));
        remote.join();
        ASSERT_TRUE(ended);
        ASSERT_TRUE(firstStored);
        // Everything the thread read is in the file once it has ended, not
        // only after the window lets the port go.
        const std::string got = captured();
        EXPECT_TRUE((first + second).substr(0, got.size()) == got) << got.size() << " bytes are not a prefix";
        EXPECT_TRUE(uiWaitFor([&] { return win.shown().contains("[port COM2 is gone: "); }));

        ASSERT_TRUE(win.view().runCommand(cmd::ID_DISCONNECT_PORT));
        EXPECT_EQ(win.view().m_portCtx.captureOn, 0);
        EXPECT_FALSE(win.view().m_portCtx.captureFile.isOpen());
        EXPECT_EQ(status.paneText(CStatusBar::CapturePane), "CAPTURE NOT ACTIVE");
        EXPECT_EQ(captured().size(), got.size()) << "bytes reached the file only at the disconnect";
        EXPECT_TRUE(lockableElsewhere(capPath()));
        EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
        testDevices().undefine("COM2");
    }
    EXPECT_TRUE(base.restored()) << base.report();
}

// On the board: whatever reached the file before the unplug is a gapless
// prefix of what was sent, and the file is complete and closed afterwards.
TEST_F(DeviceGone, UnplugDuringACaptureLeavesAGaplessFile)
{
    installBoard(1);
    const Baseline base;
    {
        ConsoleWindow win { ui };
        ASSERT_TRUE(win.connect("COM3"));
        startCapture(win);
        const std::string sent = pattern(3000);
        board->injectReceived(0, sent.data(), 1000);
        ASSERT_TRUE(uiWaitFor([&] { return captured().size() == 1000; }));
        board->injectReceived(0, sent.data() + 1000, 2000);
        board->unplug(0);
        ASSERT_TRUE(uiWaitFor([&] { return !win.view().receiveThreadRunning(); }));
        ASSERT_TRUE(win.view().runCommand(cmd::ID_DISCONNECT_PORT));
        const std::string got = captured();
        ASSERT_GE(got.size(), 1000u);
        EXPECT_EQ(sent.substr(0, got.size()), got);
        EXPECT_FALSE(win.view().m_portCtx.captureFile.isOpen());
        EXPECT_TRUE(lockableElsewhere(capPath()));
    }
    EXPECT_TRUE(base.restored()) << base.report();
}

} // namespace
