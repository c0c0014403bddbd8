// The modem-line commands: each refused request shows its own text once; on a
// null-modem pair of the virtual board the far end's inputs follow.
#include "consolewindow.h"

#include "portio/devicenamespace.h"
#include "res/commandids.h"
#include "tests/support/ptypair.h"
#include "tests/support/qtfakeuiservices.h"
#include "tests/support/testdevices.h"
#include "tests/support/waitfor.h"
#include "vboard/virtualboard.h"

#include <gtest/gtest.h>

namespace {

TEST(ModemPty, EachRefusedRequestShowsItsOwnTextOnce)
{
    FakeUiServices ui;
    PtyPair pty;
    ASSERT_TRUE(testDevices().define("COM2", pty.slavePath()).ok());
    ConsoleWindow win { ui };
    ASSERT_TRUE(win.connect("COM2"));
    const std::pair<int, const char*> expected[] = {
        { cmd::ID_ASSERT_RTS, "IOCTL_SERIAL_SET_RTS failed" },
        { cmd::ID_DROP_RTS, "IOCTL_SERIAL_CLR_RTS failed" },
        { cmd::ID_ASSERT_DTR, "IOCTL_SERIAL_SET_DTR failed" },
        { cmd::ID_DROP_DTR, "IOCTL_SERIAL_CLR_DTR failed" },
    };
    for (const auto& [id, text] : expected) {
        ui.messages.clear();
        ASSERT_TRUE(win.view().runCommand(id));
        EXPECT_EQ(ui.messages, QStringList { text }) << id;
        EXPECT_EQ(win.view().m_portCtx.isConnected, 1);
    }
    EXPECT_EQ(pty.readAvailable(), ""); // nothing reaches the line
    win.view().ClosePort();
    testDevices().undefine("COM2");
}

class ModemBoard : public ::testing::Test {
protected:
    void SetUp() override
    {
        vboard::BoardConfig config;
        config.ports = 2;
        config.wiring = vboard::Wiring::Pairs;
        board = std::make_shared<vboard::VirtualBoard>(config);
        testDevices().installBoard(board, board->names());
        auto opened = board->open(1, portio::Access::ReadWrite);
        ASSERT_TRUE(opened);
        far = std::move(opened.value());
        ASSERT_TRUE(win.connect("COM3"));
    }
    void TearDown() override
    {
        win.view().ClosePort();
        far->close();
        testDevices().removeBoard();
    }

    // Waits until the far end's modem inputs (CTS, DSR, DCD) read `bits`.
    bool farSees(uint32_t bits)
    {
        constexpr uint32_t Inputs = portio::MS_CTS_ON | portio::MS_DSR_ON | portio::MS_RLSD_ON;
        return waitFor([&] {
            auto status = far->modemStatus();
            return status && (*status & Inputs) == bits;
        });
    }
    void run(int id) { ASSERT_TRUE(win.view().runCommand(id)); }

    FakeUiServices ui;
    std::shared_ptr<vboard::VirtualBoard> board;
    portio::PortPtr far;
    ConsoleWindow win { ui };
};

TEST_F(ModemBoard, FarEndFollowsRtsAndDtr)
{
    using namespace portio;
    run(cmd::ID_DROP_RTS);
    EXPECT_TRUE(farSees(MS_DSR_ON | MS_RLSD_ON)); // the open raised DTR
    run(cmd::ID_DROP_DTR);
    EXPECT_TRUE(farSees(0));
    EXPECT_FALSE(board->modemOutputs(0).dtr);
    run(cmd::ID_ASSERT_RTS);
    EXPECT_TRUE(farSees(MS_CTS_ON));
    run(cmd::ID_ASSERT_DTR);
    EXPECT_TRUE(farSees(MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON));
    run(cmd::ID_DROP_RTS);
    EXPECT_TRUE(farSees(MS_DSR_ON | MS_RLSD_ON));
    EXPECT_FALSE(board->modemOutputs(0).rts);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
}

TEST_F(ModemBoard, RepeatingARequestSendsItAgainWithoutComplaint)
{
    run(cmd::ID_ASSERT_RTS);
    run(cmd::ID_ASSERT_RTS);
    EXPECT_TRUE(farSees(portio::MS_CTS_ON | portio::MS_DSR_ON | portio::MS_RLSD_ON));
    run(cmd::ID_DROP_DTR);
    run(cmd::ID_DROP_DTR);
    EXPECT_TRUE(farSees(portio::MS_CTS_ON));
    EXPECT_TRUE(ui.messages.isEmpty());
}

} // namespace
