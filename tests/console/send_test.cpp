// The send tests put their exact patterns on the line; a write that the write
// time-out cuts short shows nothing and leaves the window working. Every test
// command refuses to run without a connection.
#include "consolewindow.h"
#include "uiwait.h"

#include "portio/devicenamespace.h"
#include "res/commandids.h"
#include "tests/support/ptypair.h"
#include "tests/support/qtfakeuiservices.h"
#include "tests/support/testdevices.h"
#include "vboard/virtualboard.h"

#include <gtest/gtest.h>

#include <future>

namespace {

const std::string FixedString("abcdefghijklmnopqrstuvwxyz\0", 27);

class SendPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testDevices().define("COM2", pty.slavePath()).ok());
        ASSERT_TRUE(win.connect("COM2"));
    }
    void TearDown() override { testDevices().undefine("COM2"); }

    // Runs the commands while a thread reads n bytes from the far end.
    std::string sendAndRead(std::initializer_list<int> ids, size_t n)
    {
        auto far = std::async(std::launch::async, [&] { return pty.readExactly(n); });
        for (int id : ids)
            EXPECT_TRUE(win.view().runCommand(id));
        return far.get();
    }

    FakeUiServices ui;
    PtyPair pty;
    ConsoleWindow win { ui };
};

TEST_F(SendPty, FixedStringIsTheLettersAndOneZeroByte)
{
    // The immediate byte behind it shows that nothing else went out in between.
    const std::string got = sendAndRead({ cmd::ID_SEND_FIXED_STRING, cmd::ID_SEND_IMMEDIATE }, 28);
    EXPECT_EQ(got, FixedString + "c");
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
}

TEST_F(SendPty, Send10KIsTenKilobytesOfA)
{
    const std::string got = sendAndRead({ cmd::ID_SEND_10K, cmd::ID_SEND_IMMEDIATE }, 10240 + 1);
    EXPECT_EQ(got, std::string(10240, 'A') + "c");
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(SendPty, SendImmediateIsOneByte)
{
    EXPECT_EQ(sendAndRead({ cmd::ID_SEND_IMMEDIATE, cmd::ID_SEND_IMMEDIATE }, 2), "cc");
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(SendPty, SendImmediateOnAPortThatIsGoneSaysSo)
{
    pty.closeMaster();
    EXPECT_TRUE(win.view().runCommand(cmd::ID_SEND_IMMEDIATE));
    EXPECT_EQ(ui.messages, QStringList { "Send immediate failed" });
}

TEST(SendUnconnected, EveryTestCommandNeedsAConnection)
{
    FakeUiServices ui;
    ConsoleWindow win { ui };
    const int ids[] = { cmd::ID_SEND_10K, cmd::ID_SEND_IMMEDIATE, cmd::ID_SEND_FIXED_STRING, cmd::ID_ASSERT_RTS,
        cmd::ID_DROP_RTS, cmd::ID_ASSERT_DTR, cmd::ID_DROP_DTR, cmd::ID_START_CAPTURE, cmd::ID_SEND_FILE };
    for (int id : ids) {
        ui.messages.clear();
        ASSERT_TRUE(win.view().runCommand(id)) << id;
        EXPECT_EQ(ui.messages, QStringList { "No port connected" }) << id;
    }
    EXPECT_EQ(ui.fileDialogsRun, 0);
}

// At 9,600 baud 10 KB need more than ten seconds; the write time-out of one
// second cuts the send short.
TEST(SendBoard, Send10KCutByTheTimeOutShowsNothingAndTheNextSendWorks)
{
    vboard::BoardConfig config;
    config.ports = 2;
    config.wiring = vboard::Wiring::Pairs;
    auto board = std::make_shared<vboard::VirtualBoard>(config);
    testDevices().installBoard(board, board->names());
    auto far = board->open(1, portio::Access::ReadWrite);
    ASSERT_TRUE(far);
    portio::Port& remote = *far.value();
    ASSERT_TRUE(remote.setTimeouts({ portio::MAXDWORD, 0, 0, 0, 0 }).ok());
    {
        FakeUiServices ui;
        ConsoleWindow win { ui };
        ASSERT_TRUE(win.connect("COM3"));
        EXPECT_TRUE(win.view().runCommand(cmd::ID_SEND_10K));
        EXPECT_TRUE(win.view().runCommand(cmd::ID_SEND_FIXED_STRING));
        std::string got;
        const bool ended = uiWaitFor([&] {
            char buffer[4096];
            const auto r = remote.read(buffer, sizeof buffer);
            got.append(buffer, r.count);
            return got.size() >= FixedString.size() && got.ends_with(FixedString);
        });
        ASSERT_TRUE(ended) << got.size();
        const std::string prefix = got.substr(0, got.size() - FixedString.size());
        EXPECT_GT(prefix.size(), 0u);
        EXPECT_LT(prefix.size(), 10240u);
        EXPECT_EQ(prefix, std::string(prefix.size(), 'A'));
        EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
        EXPECT_EQ(win.view().m_portCtx.isConnected, 1);
    }
    far.value()->close();
    testDevices().removeBoard();
}

} // namespace
