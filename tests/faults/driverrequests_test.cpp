// Every driver request failing on a connected port: each diagnostic command
// shows its failure text, and the window keeps its connection and its data.
// The driver's headers go before Qt's (Qt's `slots` keyword clashes with them).
#include "driverext/controlcodes.h"

#include "faultfixture.h"

#include "tests/console/consolewindow.h"
#include "tests/console/uiwait.h"

#include "res/commandids.h"
#include "res/texts.h"

#include <utility>

namespace {

TEST_F(FaultTest, EveryDriverRequestFailingShowsEachFailureAndKeepsTheConnection)
{
    installBoard(1);
    const Baseline base;
    {
        ConsoleWindow win { ui };
        ASSERT_TRUE(win.connect("COM3"));
        board->failNextRequests(0, 1000);
        const QStringList setupFailures { txt::GetExtraFailed, txt::SetExtraFailed, txt::SetCustomFailed,
            txt::SetProtocolFailed };
        const std::pair<int, QStringList> cases[] = {
            { cmd::ID_INSTALL_PROFILE_N, setupFailures },
            { cmd::ID_INSTALL_PROFILE_D, setupFailures },
            { cmd::ID_RESET_CUSTOM, { txt::ResetCustomFailed } },
            { cmd::ID_SHOW_RESULT_1, { txt::GetLastReadResultFailed } },
            { cmd::ID_SHOW_RESULT_2, { txt::GetLastReadResultFailed } },
            { cmd::ID_FIRMWARE_RESET, { txt::FirmwareResetFailed, txt::FirmwareResetNotice } },
            { cmd::ID_DUMP_UART, { txt::DumpUartFailed, txt::DumpUartNotice } },
        };
        for (const auto& [id, expected] : cases) {
            ui.messages.clear();
            ASSERT_TRUE(win.view().runCommand(id));
            // The result queries go on to show the value they have, whatever it is.
            const QStringList shown = ui.messages.mid(0, expected.size());
            EXPECT_EQ(shown, expected) << id << ": " << ui.messages.join('|').toStdString();
            EXPECT_TRUE(win.view().m_portCtx.isConnected) << id;
        }
        EXPECT_FALSE(board->driverState(0).customMode());
        board->injectReceived(0, "still here", 10);
        EXPECT_TRUE(uiWaitFor([&] { return win.shown() == "still here"; })) << win.shown().toStdString();
        EXPECT_TRUE(win.view().receiveThreadRunning());
    }
    EXPECT_TRUE(base.restored()) << base.report();
}

} // namespace
