// Send data from file: the file's bytes go out unchanged in one write while
// the "Sending data" window is up; files that cannot be sent give their
// messages; a send cut by the write time-out still takes the window away.
#include "consolewindow.h"
#include "uiwait.h"

#include "portio/devicenamespace.h"
#include "res/commandids.h"
#include "tests/support/ptypair.h"
#include "tests/support/qtfakeuiservices.h"
#include "tests/support/testdevices.h"
#include "vboard/virtualboard.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The "Sending data" window, if one exists now.
QWidget* sendingWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowTitle() == "Sending data") return w;
    return nullptr;
}

std::string mixedBytes(size_t n)
{
    std::string bytes;
    for (size_t i = 0; i < n; ++i)
        bytes += "\0\r\nxy\xff"[i % 6];
    return bytes;
}

class SendFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testDevices().define("COM2", pty.slavePath()).ok());
        ASSERT_TRUE(win.connect("COM2"));
    }
    void TearDown() override { testDevices().undefine("COM2"); }

    std::string write(const char* name, const std::string& bytes)
    {
        const std::string file = dir.filePath(name).toStdString();
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }
    void sendFile(const std::string& file)
    {
        ui.queueFileName(QString::fromStdString(file));
        ASSERT_TRUE(win.view().runCommand(cmd::ID_SEND_FILE));
    }
    // Sends the file and returns the messages shown; nothing may reach the line.
    QStringList refused(const std::string& file)
    {
        ui.messages.clear();
        sendFile(file);
        EXPECT_EQ(pty.readAvailable(), "");
        return ui.messages;
    }

    FakeUiServices ui;
    PtyPair pty;
    ConsoleWindow win { ui };
    QTemporaryDir dir;
};

TEST_F(SendFile, ZeroBytesAndCarriageReturnsArriveUnchanged)
{
    const std::string bytes = mixedBytes(300);
    auto far = std::async(std::launch::async, [&] { return pty.readExactly(bytes.size()); });
    sendFile(write("data.bin", bytes));
    EXPECT_EQ(far.get(), bytes);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
    EXPECT_EQ(sendingWindow(), nullptr);
}

TEST_F(SendFile, AReadOnlyFileIsSent)
{
    const std::string file = write("ro.bin", "read only\r\n");
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    auto far = std::async(std::launch::async, [&] { return pty.readExactly(11); });
    sendFile(file);
    EXPECT_EQ(far.get(), "read only\r\n");
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(SendFile, FilesThatCannotBeSentGiveTheirMessages)
{
    EXPECT_EQ(refused(write("empty.bin", "")), QStringList { "File map could not be opened." });
    EXPECT_EQ(refused(dir.filePath("missing.bin").toStdString()), QStringList { "File could not be opened." });
    EXPECT_EQ(refused(dir.path().toStdString()), QStringList { "File could not be opened." });
    const std::string huge = write("huge.bin", "");
    ASSERT_EQ(::truncate(huge.c_str(), off_t(1) << 32), 0); // sparse: takes no space
    EXPECT_EQ(refused(huge), QStringList { "Files of 4 GiB or more cannot be sent." });
    EXPECT_EQ(win.view().m_portCtx.isConnected, 1);
}

TEST_F(SendFile, CancelledDialogSendsNothing)
{
    ASSERT_TRUE(win.view().runCommand(cmd::ID_SEND_FILE));
    // The file sent must exist: the dialog is asked for an existing one.
    EXPECT_EQ(ui.fileDialogsAsked, std::vector { FakeUiServices::FileDialog::ExistingFile });
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_EQ(pty.readAvailable(), "");
}

// The write cannot end before the far end reads (no write time-out), and the
// far end starts reading only once the window has been seen from the event
// loop that runs during the send.
TEST_F(SendFile, TheSendingWindowIsUpDuringTheSendAndGoneAfter)
{
    ASSERT_TRUE(win.view().m_portCtx.portHandle->setTimeouts({ portio::MAXDWORD, 0, 1000, 0, 0 }).ok());
    const std::string bytes = mixedBytes(1 << 20);
    const std::string file = write("big.bin", bytes);
    std::atomic<bool> seen { false };
    bool visible = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (QWidget* w = sendingWindow()) {
            visible = w->isVisible();
            seen = true;
            probe.stop();
        }
    });
    probe.start(1);
    auto far = std::async(std::launch::async, [&] {
        while (!seen)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return pty.readExactly(bytes.size(), std::chrono::seconds(20));
    });
    sendFile(file);
    seen = true; // releases the reader if the window never showed
    EXPECT_EQ(far.get().size(), bytes.size());
    EXPECT_TRUE(visible);
    EXPECT_EQ(sendingWindow(), nullptr);
}

TEST(SendFileBoard, ASendCutByTheTimeOutShowsNothingAndTakesTheWindowAway)
{
    vboard::BoardConfig config;
    config.ports = 1;
    auto board = std::make_shared<vboard::VirtualBoard>(config);
    testDevices().installBoard(board, board->names());
    {
        FakeUiServices ui;
        ConsoleWindow win { ui };
        ASSERT_TRUE(win.connect("COM3"));
        QTemporaryDir dir;
        const std::string file = dir.filePath("long.bin").toStdString();
        std::ofstream(file, std::ios::binary) << std::string(4000, 'L'); // four seconds at 9,600 baud
        ui.queueFileName(QString::fromStdString(file));
        ASSERT_TRUE(win.view().runCommand(cmd::ID_SEND_FILE));
        EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
        EXPECT_EQ(sendingWindow(), nullptr);
        EXPECT_TRUE(uiWaitFor([&] { return win.shown().startsWith("LLL"); }));
        EXPECT_LT(win.shown().size(), 4000);
    }
    testDevices().removeBoard();
}

} // namespace
