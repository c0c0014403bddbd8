#include "portio/devicenamespace.h"
#include "portsel/portdiscovery.h"
#include "portsel/portsettingsdlg.h"
#include "session/portcontext.h"
#include "tests/support/ptypair.h"
#include "tests/support/qtfakeuiservices.h"
#include "vboard/boardinstall.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/file.h>
#include <termios.h>

namespace {

// A namespace that sees only what the test maps into it: no /dev series and
// no user links.
class PortDiscovery : public testing::Test {
protected:
    void SetUp() override
    {
        m_saved = g_portPresent;
        m_savedDevices = g_portDevice;
        ASSERT_TRUE(m_devDir.isValid() && m_linkDir.isValid());
        m_ns = std::make_unique<portio::DeviceNamespace>(
            portio::DeviceNamespace::Config { m_devDir.path().toStdString(), m_linkDir.path().toStdString() });
    }
    void TearDown() override
    {
        g_portPresent = m_saved;
        g_portDevice = m_savedDevices;
    }

    void map(const char* name, const PtyPair& pty) { ASSERT_FALSE(m_ns->define(name, pty.slavePath())) << name; }

    QTemporaryDir m_devDir;
    QTemporaryDir m_linkDir;
    std::unique_ptr<portio::DeviceNamespace> m_ns;

private:
    std::array<int32_t, 99> m_saved {};
    std::array<std::string, 99> m_savedDevices {};
};

TEST_F(PortDiscovery, FindsFreePortsOnlyAndWritesEveryEntry)
{
    PtyPair com2, com10, held;
    map("COM2", com2);
    map("COM10", com10);
    map("COM5", held);
    // Another program holds COM5.
    ASSERT_EQ(flock(held.slaveFd(), LOCK_EX | LOCK_NB), 0);
    g_portPresent.fill(7); // whatever was there before is overwritten

    DetectPorts(*m_ns);

    for (size_t i = 0; i < g_portPresent.size(); ++i)
        EXPECT_EQ(g_portPresent[i], (i == 1 || i == 9) ? 1 : 0) << "COM" << i + 1;

    FakeUiServices ui;
    CPortSettingsDlg dlg(PortLineSettings {}, "Thread 1", ui);
    ASSERT_EQ(dlg.portList()->count(), 2);
    EXPECT_EQ(dlg.portList()->itemText(0), "COM2");
    EXPECT_EQ(dlg.portList()->itemText(1), "COM10");
    EXPECT_EQ(dlg.portList()->currentIndex(), 0);
}

TEST_F(PortDiscovery, ProbingReleasesThePortAndLeavesItsSettingsAlone)
{
    PtyPair pty(PtyPair::Mode::AsCreated);
    map("COM1", pty);
    termios before {};
    ASSERT_EQ(tcgetattr(pty.slaveFd(), &before), 0);

    DetectPorts(*m_ns);

    EXPECT_EQ(g_portPresent[0], 1);
    termios after {};
    ASSERT_EQ(tcgetattr(pty.slaveFd(), &after), 0);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_oflag, before.c_oflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    // Nothing is kept open or locked: another program can take the port now.
    EXPECT_EQ(flock(pty.slaveFd(), LOCK_EX | LOCK_NB), 0);
}

TEST_F(PortDiscovery, NothingMappedMeansNothingPresent)
{
    g_portPresent.fill(1);
    DetectPorts(*m_ns);
    for (size_t i = 0; i < g_portPresent.size(); ++i)
        EXPECT_EQ(g_portPresent[i], 0) << "COM" << i + 1;
}

TEST_F(PortDiscovery, PortListDescribesEachPortAndTheChoiceIsThePlainComName)
{
    PtyPair com2;
    map("COM2", com2);
    vboard::BoardConfig board;
    board.ports = 2;
    board.firstCom = 3;
    vboard::installVirtualBoard(*m_ns, board);
    DetectPorts(*m_ns);
    FakeUiServices ui;
    const struct {
        const char* name;
        std::string about;
    } cases[] = {
        { "COM2", com2.slavePath() + ", pseudo-terminal" },
        { "COM3", "vboard:0, virtual board port 0" },
        { "COM4", "vboard:1, virtual board port 1" },
    };
    for (int i = 0; i < int(std::size(cases)); ++i) {
        const auto& c = cases[i];
        ui.queueDialog([&](QDialog& d) {
            auto& dlg = static_cast<CPortSettingsDlg&>(d);
            EXPECT_EQ(dlg.portList()->count(), int(std::size(cases)));
            EXPECT_EQ(dlg.portList()->itemText(i), c.name);
            EXPECT_EQ(dlg.portList()->model()->index(i, 1).data().toString().toStdString(), c.about);
            dlg.portList()->setCurrentIndex(i);
            EXPECT_EQ(dlg.portAbout()->text().toStdString(), c.about);
            EXPECT_EQ(dlg.portList()->accessibleDescription().toStdString(), c.about);
            dlg.okButton()->click();
            return dlg.result();
        });
        const auto chosen = runPortSettingsDialog(ui, PortLineSettings {}, "Thread 1");
        ASSERT_TRUE(chosen) << c.name;
        EXPECT_EQ(chosen->portName, c.name);
    }
    m_ns->removeBoard();
}

} // namespace
