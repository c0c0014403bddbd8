// Connect Port... and Disconnect Port on console windows, with the port
// settings dialog answered by the test: titles, messages, the retry of a
// chosen port, and the line settings the port receives.
#include "consolewindow.h"

#include "console/connectcommands.h"
#include "portio/devicenamespace.h"
#include "portsel/portdiscovery.h"
#include "portsel/portsettingsdlg.h"
#include "res/commandids.h"
#include "tests/support/ptypair.h"
#include "tests/support/qtfakeuiservices.h"
#include "tests/support/testdevices.h"
#include "vboard/virtualboard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <functional>

namespace {

using Fill = std::function<void(CPortSettingsDlg&)>;

void select(QComboBox* list, const QString& text)
{
    const int index = list->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    list->setCurrentIndex(index);
}

// The user picks `port` (plus whatever `fill` sets) and presses OK.
void queueChoice(FakeUiServices& ui, const char* port, Fill fill = {})
{
    ui.queueDialog([port, fill](QDialog& d) {
        auto& dlg = static_cast<CPortSettingsDlg&>(d);
        select(dlg.portList(), QString::fromLatin1(port));
        if (fill) fill(dlg);
        dlg.okButton()->click();
        return dlg.result();
    });
}

void queueCancel(FakeUiServices& ui)
{
    ui.queueDialog([](QDialog& d) {
        static_cast<CPortSettingsDlg&>(d).cancelButton()->click();
        return d.result();
    });
}

// Ports present as discovery would have found them; restored afterwards.
class PresentPorts {
public:
    explicit PresentPorts(std::initializer_list<int> comNumbers)
        : m_saved(g_portPresent)
    {
        g_portPresent.fill(0);
        for (int n : comNumbers)
            g_portPresent[n - 1] = 1;
    }
    ~PresentPorts() { g_portPresent = m_saved; }

private:
    std::array<int32_t, 99> m_saved;
};

class ConnectPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testDevices().define("COM2", pty.slavePath()).ok());
        first.view().setDocumentTitle(QStringLiteral("Thread 1"));
        second.view().setDocumentTitle(QStringLiteral("Thread 2"));
    }
    void TearDown() override { testDevices().undefine("COM2"); }

    static void connect(ConsoleWindow& win) { win.view().runCommand(cmd::ID_CONNECT_PORT); }
    static void disconnect(ConsoleWindow& win) { win.view().runCommand(cmd::ID_DISCONNECT_PORT); }
    static QString caption(const ConsoleWindow& win) { return win.frame->windowTitle(); }

    PresentPorts present { 2 };
    FakeUiServices ui;
    PtyPair pty;
    ConsoleWindow first { ui };
    ConsoleWindow second { ui };
};

TEST_F(ConnectPty, TitleRoundTripAndThePortIsReleased)
{
    queueChoice(ui, "COM2");
    connect(first);
    ASSERT_TRUE(first.view().m_portCtx.isConnected);
    EXPECT_EQ(first.view().documentTitle(), "Thread 1 connected to COM2");
    EXPECT_EQ(caption(first), "Thread 1 connected to COM2");

    disconnect(first);
    EXPECT_FALSE(first.view().m_portCtx.isConnected);
    EXPECT_EQ(first.view().m_portCtx.portName, "None");
    EXPECT_EQ(caption(first), "Thread 1");
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();

    // Closed for real: another window can have it now.
    queueChoice(ui, "COM2");
    connect(second);
    EXPECT_EQ(caption(second), "Thread 2 connected to COM2");
}

TEST_F(ConnectPty, HeldPortFailsWithMessageAndCancelRetriesTheSamePort)
{
    queueChoice(ui, "COM2");
    connect(first);
    queueChoice(ui, "COM2");
    connect(second);
    EXPECT_EQ(ui.messages, QStringList { "The port could not be opened" });
    EXPECT_FALSE(second.view().m_portCtx.isConnected);
    EXPECT_EQ(second.view().m_portCtx.portName, "COM2");
    EXPECT_EQ(caption(second), "Thread 2");

    queueCancel(ui);
    connect(second);
    EXPECT_EQ(ui.dialogsRun, 3);
    EXPECT_EQ(ui.messages.size(), 2);
    EXPECT_EQ(caption(second), "Thread 2");

    disconnect(first);
    queueCancel(ui);
    connect(second);
    EXPECT_TRUE(second.view().m_portCtx.isConnected);
    EXPECT_EQ(caption(second), "Thread 2 connected to COM2");
    EXPECT_EQ(ui.messages.size(), 2);
}

TEST_F(ConnectPty, CancelWithNoPortChosenOpensNothingAndShowsNothing)
{
    queueCancel(ui);
    connect(first);
    EXPECT_EQ(ui.dialogsRun, 1);
    EXPECT_FALSE(first.view().m_portCtx.isConnected);
    EXPECT_EQ(first.view().m_portCtx.portName, "None");
    EXPECT_EQ(caption(first), "Thread 1");
    EXPECT_TRUE(ui.messages.isEmpty());
    // Nobody holds the port: the other window gets it.
    queueChoice(ui, "COM2");
    connect(second);
    EXPECT_TRUE(second.view().m_portCtx.isConnected);
}

TEST_F(ConnectPty, ConnectWhileConnectedShowsNoDialogAndChangesNothing)
{
    queueChoice(ui, "COM2");
    connect(first);
    queueChoice(ui, "COM2", [](CPortSettingsDlg& dlg) { dlg.baudField()->setText("300"); });
    connect(first);
    EXPECT_EQ(ui.dialogsRun, 1);
    EXPECT_EQ(first.view().m_portCtx.baudRate, 9600u);
    EXPECT_EQ(caption(first), "Thread 1 connected to COM2");
}

TEST_F(ConnectPty, DisconnectWhileNotConnectedChangesNothing)
{
    disconnect(first);
    EXPECT_EQ(first.view().m_portCtx.portName, "None");
    EXPECT_EQ(caption(first), "Thread 1");

    // Chosen but not open: the name is kept for the next attempt.
    queueChoice(ui, "COM2");
    connect(first);
    queueChoice(ui, "COM2");
    connect(second);
    disconnect(second);
    EXPECT_EQ(second.view().m_portCtx.portName, "COM2");
    EXPECT_EQ(caption(second), "Thread 2");
}

TEST_F(ConnectPty, DisconnectKeepsTextBeforeTheFirstConnectionSuffix)
{
    // A document titled by a file name may hold anything before the suffix.
    first.view().setDocumentTitle(QStringLiteral("log.vsp"));
    queueChoice(ui, "COM2");
    connect(first);
    EXPECT_EQ(caption(first), "log.vsp connected to COM2");
    OnDisconnectPort(first.view());
    EXPECT_EQ(caption(first), "log.vsp");
}

TEST(ConnectBoard, EveryLineChoiceReachesThePort)
{
    vboard::BoardConfig config;
    config.ports = 1;
    auto board = std::make_shared<vboard::VirtualBoard>(config);
    auto& ns = testDevices();
    ns.installBoard(board, board->names());
    PresentPorts present { 3 };
    FakeUiServices ui;
    ConsoleWindow win { ui };
    win.view().setDocumentTitle(QStringLiteral("Thread 4"));

    const QStringList dataBits { "5", "6", "7", "8" };
    const QStringList stopBits { "1", "1.5", "2" };
    const QStringList parities { "None", "Even", "Odd", "Mark", "Space" };
    const uint8_t parityCodes[] = { 0, 2, 1, 3, 4 };
    for (int d = 0; d < dataBits.size(); ++d)
        for (int s = 0; s < stopBits.size(); ++s)
            for (int p = 0; p < parities.size(); ++p)
                for (int flow = 0; flow < 4; ++flow) {
                    SCOPED_TRACE(testing::Message() << d << ' ' << s << ' ' << p << ' ' << flow);
                    queueChoice(ui, "COM3", [&](CPortSettingsDlg& dlg) {
                        dlg.baudField()->setText("57600");
                        select(dlg.dataBitsList(), dataBits[d]);
                        select(dlg.stopBitsList(), stopBits[s]);
                        select(dlg.parityList(), parities[p]);
                        dlg.rtsCtsCheck()->setChecked(flow & 1);
                        dlg.xonXoffCheck()->setChecked(flow & 2);
                    });
                    OnConnectPort(win.view());
                    // As on a real port: 1.5 stop bits with 5 data bits only, 2 with 6 to 8.
                    if (s != 0 && (s == 1) != (d == 0)) {
                        EXPECT_FALSE(win.view().m_portCtx.isConnected);
                        continue;
                    }
                    ASSERT_TRUE(win.view().m_portCtx.isConnected);
                    const portio::Dcb dcb = board->dcb(0);
                    EXPECT_EQ(dcb.BaudRate, 57600u);
                    EXPECT_EQ(dcb.ByteSize, 5 + d);
                    EXPECT_EQ(dcb.StopBits, s);
                    EXPECT_EQ(dcb.Parity, parityCodes[p]);
                    EXPECT_EQ(dcb.fOutxCtsFlow, bool(flow & 1));
                    EXPECT_EQ(dcb.fRtsControl, flow & 1 ? portio::RTS_CONTROL_HANDSHAKE : portio::RTS_CONTROL_ENABLE);
                    EXPECT_EQ(dcb.fOutX, bool(flow & 2));
                    EXPECT_EQ(dcb.fInX, bool(flow & 2));
                    EXPECT_FALSE(dcb.fOutxDsrFlow);
                    OnDisconnectPort(win.view());
                    ASSERT_EQ(win.frame->windowTitle(), "Thread 4");
                }
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
    win.frame.reset();
    ns.removeBoard();
}

} // namespace
