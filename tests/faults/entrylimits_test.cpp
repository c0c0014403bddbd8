// Entries at the edges of their ranges, typed into the dialogs that the
// commands show: the largest value is taken, one more is refused.
#include "faultfixture.h"

#include "tests/console/consolewindow.h"
#include "tests/console/portchoice.h"

#include "portsel/portsettingsdlg.h"
#include "res/commandids.h"
#include "res/texts.h"
#include "torture/tortureparams.h"
#include "torture/torturerun.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The user picks COM3, types the baud text and presses OK; if the entry is
// refused, the dialog is cancelled after the message.
void queueBaud(FakeUiServices& ui, const char* baud)
{
    ui.queueDialog([baud](QDialog& d) {
        auto& dlg = static_cast<CPortSettingsDlg&>(d);
        dlg.portList()->setCurrentIndex(dlg.portList()->findText(QStringLiteral("COM3")));
        dlg.baudField()->setText(QString::fromLatin1(baud));
        dlg.okButton()->click();
        if (dlg.result() != QDialog::Accepted) dlg.cancelButton()->click();
        return dlg.result();
    });
}

void queueTortureBaud(FakeUiServices& ui, const char* baud)
{
    ui.queueDialog([baud](QDialog& d) {
        d.findChild<QLineEdit*>(QStringLiteral("portCount"))->setText(QStringLiteral("2"));
        d.findChild<QLineEdit*>(QStringLiteral("baudRate"))->setText(QString::fromLatin1(baud));
        d.accept();
        if (d.result() != QDialog::Accepted) d.reject();
        return d.result();
    });
}

class EntryLimits : public FaultTest {
protected:
    void SetUp() override
    {
        installBoard(2);
        torture::setTortureParams({});
    }
    void TearDown() override
    {
        torture::TortureRun::instance().stop();
        torture::setTortureParams({});
        FaultTest::TearDown();
    }
    ListedPorts listed { 3, 4 };
};

TEST_F(EntryLimits, BaudOfTheConnectDialog)
{
    const Baseline base;
    {
        ConsoleWindow win { ui };
        queueBaud(ui, "2147483648");
        ASSERT_TRUE(win.view().runCommand(cmd::ID_CONNECT_PORT));
        EXPECT_EQ(ui.messages, QStringList { txt::PleaseEnterInteger });
        EXPECT_EQ(win.view().m_portCtx.baudRate, 9600u);
        EXPECT_FALSE(win.view().m_portCtx.isConnected);

        // Taken by the dialog; the board refuses so fast a line, silently.
        ui.messages.clear();
        queueBaud(ui, "2147483647");
        ASSERT_TRUE(win.view().runCommand(cmd::ID_CONNECT_PORT));
        EXPECT_EQ(win.view().m_portCtx.baudRate, 2147483647u);
        EXPECT_FALSE(win.view().m_portCtx.isConnected);
        EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
        EXPECT_TRUE(openable("COM3"));
    }
    EXPECT_TRUE(base.restored()) << base.report();
}

TEST_F(EntryLimits, BaudOfTheLoadRun)
{
    const Baseline base;
    {
        ConsoleWindow win { ui };
        queueTortureBaud(ui, "4294967296");
        win.view().runCommand(cmd::ID_TORTURE_PARAMS);
        EXPECT_EQ(ui.messages, QStringList { txt::PleaseEnterPositiveInteger });
        EXPECT_EQ(torture::tortureParams(), torture::TortureParams {});

        ui.messages.clear();
        queueTortureBaud(ui, "4294967295");
        win.view().runCommand(cmd::ID_TORTURE_PARAMS);
        EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
        EXPECT_EQ(torture::tortureParams().baudRate, 4294967295u);
        // A start at that rate fails on the board and leaves every port free.
        win.view().runCommand(cmd::ID_TORTURE_START);
        torture::TortureRun::instance().stop();
        EXPECT_TRUE(openable("COM3"));
        EXPECT_TRUE(openable("COM4"));
    }
    EXPECT_TRUE(base.restored()) << base.report();
}

} // namespace
