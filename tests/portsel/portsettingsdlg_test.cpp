#include "consoleui/portsettingsrun.h"
#include "portsel/portdiscovery.h"
#include "portsel/portsettingsdlg.h"
#include "session/portcontext.h"
#include "tests/support/qtfakeuiservices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

namespace {

// Every test sets the ports it wants present and gets the table back as it was.
class PortSettingsDialog : public testing::Test {
protected:
    void SetUp() override
    {
        m_saved = g_portPresent;
        g_portPresent.fill(0);
        g_portPresent[1] = 1; // COM2
        g_portPresent[9] = 1; // COM10
    }
    void TearDown() override { g_portPresent = m_saved; }

    // Runs the dialog as a caller does; `fill` plays the user before the button.
    int run(const std::function<void(CPortSettingsDlg&)>& fill, bool ok = true)
    {
        ui.queueDialog([&](QDialog& d) {
            auto& dlg = static_cast<CPortSettingsDlg&>(d);
            fill(dlg);
            (ok ? dlg.okButton() : dlg.cancelButton())->click();
            return dlg.result();
        });
        return runPortSettingsDialog(ui, ctx, QStringLiteral("Thread 2"));
    }

    FakeUiServices ui;
    PortContext ctx;

private:
    std::array<int32_t, 99> m_saved {};
};

void select(QComboBox* list, const char* text)
{
    const int index = list->findText(QString::fromLatin1(text));
    ASSERT_GE(index, 0) << text;
    list->setCurrentIndex(index);
}

QStringList itemsOf(const QComboBox* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

TEST_F(PortSettingsDialog, ShowsPresentPortsAscendingAndTheDefaults)
{
    g_portPresent[98] = 1; // COM99, the last one looked at
    CPortSettingsDlg dlg(PortLineSettings {}, QStringLiteral("Thread 2"), ui);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Select port for Thread 2"));
    EXPECT_EQ(itemsOf(dlg.portList()), (QStringList { "COM2", "COM10", "COM99" }));
    EXPECT_EQ(dlg.portList()->currentText(), "COM2");
    EXPECT_EQ(dlg.baudField()->text(), "9600");
    EXPECT_EQ(itemsOf(dlg.dataBitsList()), (QStringList { "5", "6", "7", "8" }));
    EXPECT_EQ(dlg.dataBitsList()->currentText(), "8");
    EXPECT_EQ(itemsOf(dlg.stopBitsList()), (QStringList { "1", "1.5", "2" }));
    EXPECT_EQ(dlg.stopBitsList()->currentText(), "1");
    EXPECT_EQ(itemsOf(dlg.parityList()), (QStringList { "None", "Even", "Odd", "Mark", "Space" }));
    EXPECT_EQ(dlg.parityList()->currentText(), "None");
    EXPECT_EQ(dlg.rtsCtsCheck()->text(), "RTS/CTS ");
    EXPECT_EQ(dlg.xonXoffCheck()->text(), "XON/XOFF ");
    EXPECT_FALSE(dlg.rtsCtsCheck()->isChecked());
    EXPECT_FALSE(dlg.xonXoffCheck()->isChecked());
    EXPECT_EQ(dlg.rtsCtsCheck()->layoutDirection(), Qt::RightToLeft);
}

TEST_F(PortSettingsDialog, TabOrderRunsFromTheButtonsThroughEveryField)
{
    CPortSettingsDlg dlg(PortLineSettings {}, QStringLiteral("Thread 1"), ui);
    const std::vector<QWidget*> expected { dlg.okButton(), dlg.cancelButton(), dlg.baudField(), dlg.portList(),
        dlg.dataBitsList(), dlg.stopBitsList(), dlg.parityList(), dlg.rtsCtsCheck(), dlg.xonXoffCheck() };
    std::vector<QWidget*> order;
    QWidget* w = dlg.okButton();
    do {
        if (w->focusPolicy() & Qt::TabFocus) order.push_back(w);
        w = w->nextInFocusChain();
    } while (w != dlg.okButton() && order.size() < 20);
    EXPECT_EQ(order, expected);
    EXPECT_EQ(dlg.focusWidget(), dlg.okButton());
    EXPECT_TRUE(dlg.okButton()->isDefault());
}

TEST_F(PortSettingsDialog, OkWritesTheChosenPortAndDefaults)
{
    ctx.flowFlags = FLOW_DTR_DSR | FLOW_RTS_CTS | FLOW_XON_XOFF;
    ctx.baudRate = 300;
    ctx.dataBits = 5;
    ctx.parityCode = 3;
    ctx.stopBitsCode = 2;
    EXPECT_EQ(run([](CPortSettingsDlg& d) { select(d.portList(), "COM10"); }), QDialog::Accepted);
    EXPECT_EQ(ctx.portName, "COM10");
    EXPECT_EQ(ctx.baudRate, 9600u);
    EXPECT_EQ(ctx.dataBits, 8);
    EXPECT_EQ(ctx.parityCode, 0);
    EXPECT_EQ(ctx.stopBitsCode, 0);
    EXPECT_EQ(ctx.flowFlags, FLOW_DTR_DSR); // the DTR/DSR bit is not the dialog's
    EXPECT_TRUE(ui.messages.isEmpty());
}

struct Choice {
    const char* text;
    uint8_t code;
};

TEST_F(PortSettingsDialog, EveryParityChoiceReachesItsCode)
{
    for (const Choice c : { Choice { "None", 0 }, Choice { "Even", 2 }, Choice { "Odd", 1 }, Choice { "Mark", 3 },
             Choice { "Space", 4 } }) {
        ctx.parityCode = 0xAA;
        run([&](CPortSettingsDlg& d) { select(d.parityList(), c.text); });
        EXPECT_EQ(ctx.parityCode, c.code) << c.text;
    }
}

TEST_F(PortSettingsDialog, EveryStopBitsChoiceReachesItsCode)
{
    for (const Choice c : { Choice { "1", 0 }, Choice { "1.5", 1 }, Choice { "2", 2 } }) {
        ctx.stopBitsCode = 0xAA;
        run([&](CPortSettingsDlg& d) { select(d.stopBitsList(), c.text); });
        EXPECT_EQ(ctx.stopBitsCode, c.code) << c.text;
    }
}

TEST_F(PortSettingsDialog, EveryDataBitsChoiceReachesItsValue)
{
    for (const Choice c : { Choice { "5", 5 }, Choice { "6", 6 }, Choice { "7", 7 }, Choice { "8", 8 } }) {
        ctx.dataBits = 0xAA;
        run([&](CPortSettingsDlg& d) { select(d.dataBitsList(), c.text); });
        EXPECT_EQ(ctx.dataBits, c.code) << c.text;
    }
}

TEST_F(PortSettingsDialog, FlowBoxesSetAndClearTheirBitsOnlyAndKeepTheRest)
{
    for (uint8_t before : { uint8_t(0x00), uint8_t(0xFF), uint8_t(0x01), uint8_t(0x06) }) {
        for (int rts = 0; rts < 2; ++rts) {
            for (int xon = 0; xon < 2; ++xon) {
                ctx.flowFlags = before;
                run([&](CPortSettingsDlg& d) {
                    d.rtsCtsCheck()->setChecked(rts);
                    d.xonXoffCheck()->setChecked(xon);
                });
                const uint8_t expected = (before & ~0x06) | (rts ? 0x02 : 0) | (xon ? 0x04 : 0);
                EXPECT_EQ(ctx.flowFlags, expected) << int(before) << ' ' << rts << ' ' << xon;
            }
        }
    }
}

struct BaudCase {
    const char* text;
    std::optional<uint32_t> stored;
};

TEST_F(PortSettingsDialog, BaudTextsAcceptedAreStoredBitForBit)
{
    for (const BaudCase c : { BaudCase { " 115200 ", 115200u }, BaudCase { "0", 0u }, BaudCase { "-1", 4294967295u },
             BaudCase { "+5", 5u }, BaudCase { "\t42\t", 42u }, BaudCase { "-2147483648", 2147483648u } }) {
        ctx.baudRate = 1234;
        EXPECT_EQ(
            run([&](CPortSettingsDlg& d) { d.baudField()->setText(QString::fromLatin1(c.text)); }), QDialog::Accepted)
            << c.text;
        EXPECT_EQ(ctx.baudRate, *c.stored) << c.text;
    }
    EXPECT_TRUE(ui.messages.isEmpty());
}

// A refused entry: one message, the dialog still open with the field focused
// and its whole text selected, the port context untouched; a corrected entry
// then goes through.
TEST_F(PortSettingsDialog, RefusedBaudTextKeepsTheDialogOpenAndWritesNothing)
{
    for (const char* text : { "fast", "-0", "12ab", "99999999999", "", "4294967295" }) {
        ui.messages.clear();
        ctx.parityCode = 0;
        ctx.portName = "None";
        ctx.baudRate = 1234;
        ui.queueDialog([&](QDialog& d) {
            auto& dlg = static_cast<CPortSettingsDlg&>(d);
            dlg.show();
            dlg.baudField()->setText(QString::fromLatin1(text));
            dlg.parityList()->setCurrentIndex(2);
            dlg.okButton()->click();
            EXPECT_EQ(ui.messages, QStringList { "Please enter an integer." }) << text;
            EXPECT_TRUE(dlg.isVisible()) << text;
            EXPECT_NE(dlg.result(), QDialog::Accepted) << text;
            EXPECT_EQ(dlg.focusWidget(), dlg.baudField()) << text;
            EXPECT_EQ(dlg.baudField()->selectedText(), QString::fromLatin1(text)) << text;
            EXPECT_EQ(ctx.portName, "None") << text;
            EXPECT_EQ(ctx.baudRate, 1234u) << text;
            EXPECT_EQ(ctx.parityCode, 0) << text;
            dlg.baudField()->setText("19200");
            dlg.okButton()->click();
            EXPECT_FALSE(dlg.isVisible()) << text;
            return dlg.result();
        });
        EXPECT_EQ(runPortSettingsDialog(ui, ctx, "Thread 1"), QDialog::Accepted) << text;
        EXPECT_EQ(ui.messages.size(), 1) << text;
        EXPECT_EQ(ctx.baudRate, 19200u) << text;
        EXPECT_EQ(ctx.parityCode, 1) << text;
        EXPECT_EQ(ctx.portName, "COM2") << text;
    }
}

TEST_F(PortSettingsDialog, SecondShowingStartsFromTheDefaults)
{
    run([](CPortSettingsDlg& d) {
        d.baudField()->setText("300");
        select(d.portList(), "COM10");
        select(d.dataBitsList(), "7");
        select(d.stopBitsList(), "2");
        select(d.parityList(), "Odd");
        d.rtsCtsCheck()->setChecked(true);
        d.xonXoffCheck()->setChecked(true);
    });
    ASSERT_EQ(ctx.portName, "COM10");
    ctx.portName = "None"; // as after a disconnect
    run(
        [](CPortSettingsDlg& d) {
            EXPECT_EQ(d.baudField()->text(), "9600");
            EXPECT_EQ(d.portList()->currentText(), "COM2");
            EXPECT_EQ(d.dataBitsList()->currentText(), "8");
            EXPECT_EQ(d.stopBitsList()->currentText(), "1");
            EXPECT_EQ(d.parityList()->currentText(), "None");
            EXPECT_FALSE(d.rtsCtsCheck()->isChecked());
            EXPECT_FALSE(d.xonXoffCheck()->isChecked());
        },
        false);
    EXPECT_EQ(ui.dialogsRun, 2);
}

TEST_F(PortSettingsDialog, CancelLeavesThePortContextUntouched)
{
    ctx.portName = "None";
    ctx.baudRate = 4800;
    ctx.dataBits = 7;
    ctx.parityCode = 2;
    ctx.stopBitsCode = 1;
    ctx.flowFlags = 0x05;
    const int result = run(
        [](CPortSettingsDlg& d) {
            d.baudField()->setText("115200");
            select(d.portList(), "COM10");
            select(d.parityList(), "Space");
            d.rtsCtsCheck()->setChecked(true);
        },
        false);
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(ctx.portName, "None");
    EXPECT_EQ(ctx.baudRate, 4800u);
    EXPECT_EQ(ctx.dataBits, 7);
    EXPECT_EQ(ctx.parityCode, 2);
    EXPECT_EQ(ctx.stopBitsCode, 1);
    EXPECT_EQ(ctx.flowFlags, 0x05);
}

TEST_F(PortSettingsDialog, WithNoPortPresentOkKeepsTheChosenName)
{
    g_portPresent.fill(0);
    ctx.portName = "None";
    run([](CPortSettingsDlg& d) {
        EXPECT_EQ(d.portList()->count(), 0);
        select(d.parityList(), "Even");
    });
    EXPECT_EQ(ctx.portName, "None");
    EXPECT_EQ(ctx.parityCode, 2);
}

// The dialog takes a plain value and gives one back: what it is given is what
// it shows, and OK without a change returns it as it was, but for the port.
TEST_F(PortSettingsDialog, StartsFromTheValueGivenAndReturnsItUnchanged)
{
    const LineSettingsValue values[]
        = { {}, { 300, 5, 3, 2, true, false }, { 921600, 7, 1, 1, false, true }, { 4294967295u, 6, 4, 0, true, true } };
    for (const auto& line : values) {
        ui.queueDialog([](QDialog& d) {
            static_cast<CPortSettingsDlg&>(d).okButton()->click();
            return d.result();
        });
        const auto chosen = runPortSettingsDialog(ui, PortLineSettings { "COM7", line }, "Thread 1");
        ASSERT_TRUE(chosen) << line.baudRate;
        EXPECT_EQ(*chosen, (PortLineSettings { "COM2", line })) << line.baudRate;
    }
    ui.queueDialog([](QDialog& d) { return QDialog::Rejected; });
    EXPECT_FALSE(runPortSettingsDialog(ui, PortLineSettings {}, "Thread 1"));
}

} // namespace
