// Received bytes travel from a pseudo-terminal through the receive thread into
// the receive pane; closing and losing the port end the thread cleanly.
#include "consolewindow.h"
#include "uiwait.h"

#include "portio/devicenamespace.h"
#include "tests/support/ptypair.h"
#include "tests/support/qtfakeuiservices.h"
#include "tests/support/testdevices.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextCursor>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

class ReceivePty : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testDevices().define("COM2", pty.slavePath()).ok());
        ASSERT_TRUE(win.connect("COM2"));
    }
    void TearDown() override { testDevices().undefine("COM2"); }

    bool shows(const QString& text)
    {
        return uiWaitFor([&] { return win.shown() == text; });
    }

    FakeUiServices ui;
    PtyPair pty;
    ConsoleWindow win { ui };
};

TEST_F(ReceivePty, RemoteTypingOneCharacterAtATimeShowsEachAndCrAsLineBreak)
{
    QString expected;
    for (char c : std::string("hello\rworld")) {
        ASSERT_TRUE(pty.writeAll(std::string(1, c)));
        expected += c == '\r' ? QChar('\n') : QChar(c);
        ASSERT_TRUE(shows(expected)) << win.shown().toStdString();
    }
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(ReceivePty, TwoHundredBytesAtOnceArriveInOrder)
{
    std::string burst;
    for (int i = 0; i < 200; ++i)
        burst += char('A' + i % 26);
    ASSERT_TRUE(pty.writeAll(burst));
    EXPECT_TRUE(shows(QString::fromStdString(burst))) << win.shown().toStdString();
}

TEST_F(ReceivePty, ChunkStartingWithCrKeepsTheRestOfTheChunk)
{
    ASSERT_TRUE(pty.writeAll("ab"));
    ASSERT_TRUE(shows("ab"));
    ASSERT_TRUE(pty.writeAll("\rcd"));
    EXPECT_TRUE(shows("ab\ncd")) << win.shown().toStdString();
}

TEST_F(ReceivePty, ZeroByteIsShownAndDoesNotStopTheChunk)
{
    ASSERT_TRUE(pty.writeAll(std::string("a\0b", 3)));
    EXPECT_TRUE(shows(QStringLiteral("a") + QChar(0x2400) + QStringLiteral("b"))) << win.shown().toStdString();
}

TEST_F(ReceivePty, CrAndLfInDifferentChunksMakeOneLineBreak)
{
    ASSERT_TRUE(pty.writeAll("x\r"));
    ASSERT_TRUE(shows("x\n"));
    ASSERT_TRUE(pty.writeAll("\ny\n\rz"));
    EXPECT_TRUE(shows("x\ny\n\nz")) << win.shown().toStdString();
}

TEST_F(ReceivePty, TextTypedIntoThePaneStaysAndNewDataFollowsIt)
{
    ASSERT_TRUE(pty.writeAll("ab"));
    ASSERT_TRUE(shows("ab"));
    win.pane().moveCursor(QTextCursor::End);
    for (const char* key : { "X", "Y" }) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QString::fromLatin1(key));
        QApplication::sendEvent(&win.pane(), &press);
    }
    ASSERT_EQ(win.shown(), "abXY");
    ASSERT_TRUE(pty.writeAll("cd"));
    EXPECT_TRUE(shows("abXYcd")) << win.shown().toStdString();
    EXPECT_EQ(pty.readAvailable(), ""); // typing in the receive pane sends nothing
}

TEST_F(ReceivePty, CaptureFileGetsEveryByteUnchanged)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("cap.bin").toStdString();
    auto& ctx = win.view().m_portCtx;
    ASSERT_TRUE(ctx.captureFile.open(path));
    ctx.captureOn = 1;
    const std::string bytes("\ra\0b\r\n\x7f", 7);
    ASSERT_TRUE(pty.writeAll(bytes));
    ASSERT_TRUE(uiWaitFor([&] { return win.shown().endsWith(QChar(0x2421)); }));
    win.view().ClosePort();
    std::ifstream in(path, std::ios::binary);
    std::stringstream got;
    got << in.rdbuf();
    EXPECT_EQ(got.str(), bytes);
    EXPECT_EQ(ctx.captureOn, 0);
}

TEST_F(ReceivePty, ClosingWhileDataFlowsEndsTheThreadAndThePortOpensAgain)
{
    std::atomic<bool> stop { false };
    std::thread flood([&] {
        while (!stop)
            pty.writeAll(std::string(256, 'z'), std::chrono::milliseconds(50));
    });
    ASSERT_TRUE(uiWaitFor([&] { return win.shown().size() > 1000; }));
    EXPECT_EQ(win.view().ClosePort(), 1);
    EXPECT_FALSE(win.view().receiveThreadRunning());
    EXPECT_EQ(win.view().m_portCtx.isConnected, 0);
    EXPECT_TRUE(win.connect("COM2"));
    EXPECT_TRUE(win.view().receiveThreadRunning());
    win.frame.reset(); // closing the window while data flows
    stop = true;
    flood.join();
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(ReceivePty, FarEndGoingAwayEndsTheThreadAndSaysSoInThePane)
{
    ASSERT_TRUE(pty.writeAll("ok"));
    ASSERT_TRUE(shows("ok"));
    pty.closeMaster();
    ASSERT_TRUE(uiWaitFor([&] { return !win.view().receiveThreadRunning(); }));
    ASSERT_TRUE(uiWaitFor([&] { return win.shown().contains("[port COM2 is gone: "); })) << win.shown().toStdString();
    EXPECT_TRUE(win.shown().startsWith("ok\n"));
    EXPECT_EQ(win.view().m_portCtx.isConnected, 1); // still attached until disconnected
    EXPECT_EQ(win.view().ClosePort(), 1);
    EXPECT_EQ(win.view().m_portCtx.isConnected, 0);
}

TEST_F(ReceivePty, SecondWindowCannotOpenAHeldPort)
{
    ConsoleWindow other { ui };
    EXPECT_FALSE(other.connect("COM2"));
    ASSERT_EQ(ui.messages, QStringList { "The port could not be opened" });
    EXPECT_EQ(other.view().m_portCtx.isConnected, 0);
    EXPECT_EQ(other.view().m_portCtx.portName, "COM2");
}

} // namespace
