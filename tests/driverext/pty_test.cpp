#include "boardfixture.h"
#include "recorder.h"

#include "driverext/drivercommands.h"
#include "driverext/receive2k.h"
#include "driverext/timedwrite.h"

#include "portio/devicenamespace.h"
#include "tests/support/ptypair.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

using namespace driverext;
using namespace std::chrono_literals;
using Texts = std::vector<std::string>;

namespace {

// A pseudo-terminal knows none of the board driver's codes.
class OnPty : public ::testing::Test {
protected:
    OnPty()
        : m_devices(isolatedDevices())
    {
        EXPECT_TRUE(m_devices.define(m_name, m_pty.slavePath()).ok());
    }

    portio::PortPtr open()
    {
        auto port = m_devices.open("\\\\.\\" + m_name, portio::Access::ReadWrite);
        if (!port.ok()) {
            ADD_FAILURE() << port.error().text;
            return nullptr;
        }
        return std::move(port.value());
    }

    const Texts setupFailures { "GetExtra failed", "SetExtra failed", "SetCustom failed", "SetProtocol failed" };
    PtyPair m_pty;
    std::string m_name = "COM50";
    portio::DeviceNamespace m_devices;
    Recorder m_shown;
};

TEST_F(OnPty, SetupSequenceReportsEveryStepInOrder)
{
    portio::PortPtr port = open();
    ASSERT_TRUE(port);
    installProfileN(*port, m_shown.sink());
    EXPECT_EQ(m_shown.texts, setupFailures);
    m_shown.texts.clear();
    installProfileD(*port, m_shown.sink());
    EXPECT_EQ(m_shown.texts, setupFailures);
}

TEST_F(OnPty, Receive2KStillRunsAfterTheFailuresAndTimesOut)
{
    Receive2KOptions options;
    options.limit = 200ms;
    EXPECT_EQ(runReceive2K(m_devices, m_name, m_shown.sink(), options), Receive2KOutcome::TimedOut);
    Texts expected = setupFailures;
    expected.push_back("WaitForSingleObject timed out");
    EXPECT_EQ(m_shown.texts, expected);
    EXPECT_TRUE(open());
}

TEST_F(OnPty, Receive2KCompletesWhenTheFarEndSends2048Bytes)
{
    Receive2KOptions options;
    options.limit = 20s;
    bool sent = false;
    options.pump = [&] {
        if (!sent) sent = m_pty.writeAll(std::string(2048, 'x'));
    };
    EXPECT_EQ(runReceive2K(m_devices, m_name, m_shown.sink(), options), Receive2KOutcome::Completed);
    Texts expected = setupFailures;
    expected.push_back("Asynchronous read completed");
    EXPECT_EQ(m_shown.texts, expected);
    EXPECT_TRUE(open());
}

TEST_F(OnPty, AnUnknownPortCannotBeOpened)
{
    EXPECT_EQ(runReceive2K(m_devices, "COM77", m_shown.sink()), Receive2KOutcome::NotOpened);
    EXPECT_EQ(m_shown.texts, (Texts { "The port could not be opened" }));
}

TEST_F(OnPty, ResultQueriesShowTheFailureThenThePresetByte)
{
    portio::PortPtr port = open();
    ASSERT_TRUE(port);
    showLastReadResult(*port, m_shown.sink());
    showLastReadResult2(*port, m_shown.sink());
    EXPECT_EQ(m_shown.texts, (Texts { "GetLastReadResult failed", "13", "GetLastReadResult failed", "13" }));
}

TEST_F(OnPty, FirmwareResetAndDumpShowFailureThenNotice)
{
    portio::PortPtr port = open();
    ASSERT_TRUE(port);
    firmwareReset(*port, m_shown.sink());
    dumpUart(*port, m_shown.sink());
    resetCustom(*port, m_shown.sink());
    EXPECT_EQ(m_shown.texts,
        (Texts { "VL330 firmware reset failed", "If active, the vldrv330 driver will restart the firmware...",
            "VL330 dump uart failed", "If active, the vldrv330 driver will dump the uart...", "Reset Custom failed" }));
}

TEST_F(OnPty, TimedWriteOnAHeldPortCannotOpenIt)
{
    portio::PortPtr held = open();
    ASSERT_TRUE(held);
    EXPECT_EQ(runTimedWrite(m_devices, m_name, m_shown.sink()), TimedWriteOutcome::NotOpened);
    EXPECT_EQ(m_shown.texts, (Texts { "The port could not be opened" }));
}

// Nobody reads the far end, so the block cannot go out in 1 ms: cut short
// by its limit, the write still counts as done.
TEST_F(OnPty, TimedWriteCutShortByItsLimitIsNoFailure)
{
    EXPECT_EQ(runTimedWrite(m_devices, m_name, m_shown.sink()), TimedWriteOutcome::Written);
    EXPECT_TRUE(m_shown.texts.empty());
    EXPECT_TRUE(open());
}

} // namespace
