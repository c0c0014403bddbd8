// Capture to a full disk while bytes keep coming: one message, the capture
// ends, the window keeps receiving, nothing is left open.
#include "faultfixture.h"

#include "tests/console/consolewindow.h"
#include "tests/console/uiwait.h"

#include "consoleui/statusbar.h"
#include "res/commandids.h"

#include <QStatusBar>

#include <atomic>
#include <thread>

namespace {

class DiskFull : public FaultTest {
protected:
    void SetUp() override { g_pStatusBar = &status; }
    void TearDown() override
    {
        g_pStatusBar = nullptr;
        FaultTest::TearDown();
    }
    QStatusBar bar;
    CStatusBar status { &bar };
};

TEST_F(DiskFull, ManyChunksToAFullDiskAreReportedOnce)
{
    installBoard(1);
    const Baseline base;
    {
        ConsoleWindow win { ui };
        ASSERT_TRUE(win.connect("COM3"));
        ui.queueFileName(QStringLiteral("/dev/full"));
        ASSERT_TRUE(win.view().runCommand(cmd::ID_START_CAPTURE));
        ASSERT_EQ(win.view().m_portCtx.captureOn, 1);
        // Chunk after chunk, each a separate write attempt if the capture went on.
        for (int i = 0; i < 20; ++i) {
            const std::string chunk = "chunk " + std::to_string(i) + "\r\n";
            board->injectReceived(0, chunk.data(), chunk.size());
            ASSERT_TRUE(uiWaitFor(
                [&] { return win.shown().endsWith(QString::fromStdString("chunk " + std::to_string(i) + "\n")); }));
        }
        ASSERT_EQ(ui.messages.size(), 1) << ui.messages.join('|').toStdString();
        EXPECT_TRUE(ui.messages[0].contains("No space left on device")) << ui.messages[0].toStdString();
        EXPECT_EQ(win.view().m_portCtx.captureOn, 0);
        EXPECT_FALSE(win.view().m_portCtx.captureFile.isOpen());
        EXPECT_EQ(status.paneText(CStatusBar::CapturePane), "CAPTURE NOT ACTIVE");
        EXPECT_EQ(win.view().m_portCtx.isConnected, 1);
        EXPECT_TRUE(win.view().receiveThreadRunning());
    }
    EXPECT_TRUE(base.restored()) << base.report();
}

} // namespace
