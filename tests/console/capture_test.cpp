// Capture to file: every received byte reaches the file unchanged, two windows
// capture apart, the shared indicator follows Start and Stop, the file is
// locked while captured, and a file that cannot be written ends the capture
// with one message.
#include "consolewindow.h"
#include "uiwait.h"

#include "consoleui/statusbar.h"
#include "portio/devicenamespace.h"
#include "res/commandids.h"
#include "session/capturefile.h"
#include "tests/support/ptypair.h"
#include "tests/support/qtfakeuiservices.h"
#include "tests/support/testdevices.h"

#include <QStatusBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

namespace {

std::string fileContent(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream got;
    got << in.rdbuf();
    return got.str();
}

// Whether another open of the file can take an exclusive lock on it now.
bool lockableElsewhere(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool locked = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (fd >= 0) ::close(fd);
    return locked;
}

std::string allByteValues()
{
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += char(i);
    return bytes + "\r\r\n\r";
}

class Capture : public ::testing::Test {
protected:
    void SetUp() override { g_pStatusBar = &status; }
    void TearDown() override { g_pStatusBar = nullptr; }

    QString indicator() const { return status.paneText(CStatusBar::CapturePane); }
    std::string path(const char* name) const { return dir.filePath(name).toStdString(); }
    void start(PtyConsole& w, const std::string& file)
    {
        ui.queueFileName(QString::fromStdString(file));
        ASSERT_TRUE(w.view().runCommand(cmd::ID_START_CAPTURE));
    }
    static bool fileHolds(const std::string& file, const std::string& bytes)
    {
        return uiWaitFor([&] { return fileContent(file) == bytes; });
    }

    FakeUiServices ui;
    QStatusBar bar;
    CStatusBar status { &bar };
    QTemporaryDir dir;
};

TEST_F(Capture, EveryByteValueReachesTheFileUnchanged)
{
    PtyConsole a(ui, "COM2");
    const std::string file = path("cap.bin");
    std::ofstream(file) << std::string(5000, 'x'); // an existing file is emptied
    start(a, file);
    EXPECT_EQ(indicator(), "CAPTURE IS ACTIVE");
    EXPECT_EQ(a.view().m_portCtx.captureOn, 1);
    ASSERT_TRUE(a.pty.writeAll(allByteValues()));
    EXPECT_TRUE(fileHolds(file, allByteValues())) << fileContent(file).size();
    ASSERT_TRUE(a.view().runCommand(cmd::ID_STOP_CAPTURE));
    EXPECT_EQ(indicator(), "CAPTURE NOT ACTIVE");
    EXPECT_EQ(a.view().m_portCtx.captureOn, 0);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
}

TEST_F(Capture, TwoWindowsCaptureApartAndStoppingOneLeavesTheOther)
{
    PtyConsole a(ui, "COM2"), b(ui, "COM5");
    start(a, path("a.bin"));
    start(b, path("b.bin"));
    ASSERT_TRUE(a.pty.writeAll("first a"));
    ASSERT_TRUE(b.pty.writeAll("first b"));
    ASSERT_TRUE(fileHolds(path("a.bin"), "first a"));
    ASSERT_TRUE(fileHolds(path("b.bin"), "first b"));
    ASSERT_TRUE(a.view().runCommand(cmd::ID_STOP_CAPTURE));
    EXPECT_EQ(indicator(), "CAPTURE NOT ACTIVE");
    ASSERT_TRUE(a.pty.writeAll(", later a"));
    ASSERT_TRUE(b.pty.writeAll(", later b"));
    EXPECT_TRUE(fileHolds(path("b.bin"), "first b, later b"));
    EXPECT_TRUE(uiWaitFor([&] { return a.win.shown().endsWith(", later a"); }));
    EXPECT_EQ(fileContent(path("a.bin")), "first a");
    EXPECT_EQ(b.view().m_portCtx.captureOn, 1);
}

TEST_F(Capture, StopCaptureShowsNotActiveAlsoInAWindowNeverConnected)
{
    ConsoleWindow never { ui };
    status.SetPaneText(CStatusBar::CapturePane, "unchanged");
    ASSERT_TRUE(never.view().runCommand(cmd::ID_STOP_CAPTURE));
    EXPECT_EQ(indicator(), "CAPTURE NOT ACTIVE");
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
}

TEST_F(Capture, DisconnectClosesTheFileComplete)
{
    PtyConsole a(ui, "COM2");
    start(a, path("cap.bin"));
    const std::string bytes(3000, '\r');
    ASSERT_TRUE(a.pty.writeAll(bytes));
    ASSERT_TRUE(uiWaitFor([&] { return fileContent(path("cap.bin")).size() == bytes.size(); }));
    ASSERT_TRUE(a.view().runCommand(cmd::ID_DISCONNECT_PORT));
    EXPECT_EQ(indicator(), "CAPTURE NOT ACTIVE");
    EXPECT_EQ(a.view().m_portCtx.captureOn, 0);
    EXPECT_FALSE(a.view().m_portCtx.captureFile.isOpen());
    EXPECT_EQ(fileContent(path("cap.bin")), bytes);
    EXPECT_TRUE(lockableElsewhere(path("cap.bin")));
}

TEST_F(Capture, SecondStartIsRefusedAndTheFirstGoesOn)
{
    PtyConsole a(ui, "COM2");
    start(a, path("one.bin"));
    ASSERT_TRUE(a.view().runCommand(cmd::ID_START_CAPTURE));
    EXPECT_EQ(ui.messages, QStringList { "Capture already active" });
    // The one dialog shown took new names as well as existing files.
    EXPECT_EQ(ui.fileDialogsAsked, std::vector { FakeUiServices::FileDialog::NewOrExistingFile });
    ASSERT_TRUE(a.pty.writeAll("still here"));
    EXPECT_TRUE(fileHolds(path("one.bin"), "still here"));
    EXPECT_EQ(indicator(), "CAPTURE IS ACTIVE");
}

TEST_F(Capture, TheFileIsLockedWhileCapturedAndALockedFileIsRefusedUntouched)
{
    PtyConsole a(ui, "COM2"), b(ui, "COM5");
    start(a, path("cap.bin"));
    ASSERT_TRUE(a.pty.writeAll("kept"));
    ASSERT_TRUE(fileHolds(path("cap.bin"), "kept"));
    EXPECT_FALSE(lockableElsewhere(path("cap.bin")));
    status.SetPaneText(CStatusBar::CapturePane, "unchanged");
    start(b, path("cap.bin"));
    EXPECT_EQ(ui.messages, QStringList { "File could not be opened." });
    EXPECT_EQ(b.view().m_portCtx.captureOn, 0);
    EXPECT_EQ(indicator(), "unchanged");
    EXPECT_EQ(fileContent(path("cap.bin")), "kept");
    a.view().StopCapture();
    EXPECT_TRUE(lockableElsewhere(path("cap.bin")));
}

TEST_F(Capture, FileThatCannotBeCreatedOrCancelledDialogChangesNothing)
{
    PtyConsole a(ui, "COM2");
    start(a, dir.path().toStdString()); // a directory
    EXPECT_EQ(ui.messages, QStringList { "File could not be opened." });
    EXPECT_EQ(indicator(), "CAPTURE NOT ACTIVE");
    ui.messages.clear();
    ASSERT_TRUE(a.view().runCommand(cmd::ID_START_CAPTURE)); // no answer queued: cancelled
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_EQ(a.view().m_portCtx.captureOn, 0);
}

TEST_F(Capture, DiskFullEndsTheCaptureWithOneMessage)
{
    PtyConsole a(ui, "COM2");
    start(a, "/dev/full");
    ASSERT_EQ(indicator(), "CAPTURE IS ACTIVE");
    ASSERT_TRUE(a.pty.writeAll("one"));
    ASSERT_TRUE(uiWaitFor([&] { return !ui.messages.isEmpty(); }));
    ASSERT_TRUE(a.pty.writeAll("two"));
    ASSERT_TRUE(uiWaitFor([&] { return a.win.shown().endsWith("two"); }));
    ASSERT_EQ(ui.messages.size(), 1) << ui.messages.join('|').toStdString();
    EXPECT_TRUE(ui.messages[0].contains("No space left on device")) << ui.messages[0].toStdString();
    EXPECT_EQ(indicator(), "CAPTURE NOT ACTIVE");
    EXPECT_EQ(a.view().m_portCtx.captureOn, 0);
    EXPECT_EQ(a.view().m_portCtx.isConnected, 1);
}

TEST(CaptureFileWrites, AFailedWriteIsReportedOnceAndClosesTheFile)
{
    CaptureFile file;
    int reports = 0;
    std::string error;
    ASSERT_TRUE(file.open("/dev/full", nullptr, [&](uint64_t, const std::string& text) {
        ++reports;
        error = text;
    }));
    EXPECT_FALSE(file.write("a", 1));
    EXPECT_TRUE(file.write("b", 1)); // nothing open any more: nothing to do
    EXPECT_EQ(reports, 1);
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(error, file.lastError());
    EXPECT_FALSE(error.empty());
}

} // namespace
