#include "boardfixture.h"

#include "driverext/controlcodes.h"
#include "driverext/receive2k.h"
#include "driverext/timedwrite.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

using namespace driverext;
using namespace std::chrono_literals;

namespace {

// COM3 and COM4 wired to each other; the test writes on COM4 what the
// command under test receives on COM3.
class BoardReceive : public BoardFixture {
protected:
    BoardReceive()
        : BoardFixture(vboard::Wiring::Pairs)
    {
    }

    void SetUp() override
    {
        setFast(0);
        m_partner = openCom(1);
        ASSERT_TRUE(m_partner);
        ASSERT_TRUE(m_partner->setState(fastDcb()).ok());
    }

    static portio::Dcb fastDcb()
    {
        portio::Dcb dcb;
        dcb.BaudRate = 921600;
        return dcb;
    }

    // The command keeps the line settings the port has, so set them beforehand.
    void setFast(int index)
    {
        portio::PortPtr port = openCom(index);
        ASSERT_TRUE(port);
        ASSERT_TRUE(port->setState(fastDcb()).ok());
        port->close();
    }

    void send(size_t n)
    {
        const std::vector<uint8_t> bytes(n, 0x5A);
        const portio::IoResult sent = m_partner->write(bytes.data(), bytes.size());
        ASSERT_TRUE(sent.ok()) << sent.error.text;
    }

    // Runs `before` once, after the port is open and before the read starts
    // (the setup sequence's allocation is such a moment).
    static void beforeRead(Receive2KOptions& options, std::function<void()> before)
    {
        options.setup.allocator = [before = std::move(before), done = false](size_t n) mutable {
            if (!done) {
                done = true;
                before();
            }
            return allocateBlock(n);
        };
    }

    bool canOpenAgain(int index) { return m_devices.open("\\\\.\\" + comName(index), portio::Access::Read).ok(); }

    portio::PortPtr m_partner;
};

TEST_F(BoardReceive, CompletesWith2048BytesCountingThoseBeforeTheRead)
{
    Receive2KOptions options;
    options.limit = 20s; // never reached unless a fault loses bytes
    beforeRead(options, [this] { send(1024); });
    int pumps = 0;
    options.pump = [&] {
        if (pumps++ == 0) send(1024);
    };
    const Receive2KOutcome outcome = runReceive2K(m_devices, comName(0), m_shown.sink(), options);
    EXPECT_EQ(outcome, Receive2KOutcome::Completed);
    EXPECT_EQ(m_shown.texts, (std::vector<std::string> { "Asynchronous read completed" }));
    EXPECT_GE(pumps, 1);
    EXPECT_TRUE(canOpenAgain(0));
}

TEST_F(BoardReceive, TimesOutWithOneByteShortThenThePortOpensAgain)
{
    Receive2KOptions options;
    options.limit = 300ms;
    beforeRead(options, [this] { send(2047); });
    int pumps = 0;
    options.pump = [&] { ++pumps; };
    const Receive2KOutcome outcome = runReceive2K(m_devices, comName(0), m_shown.sink(), options);
    EXPECT_EQ(outcome, Receive2KOutcome::TimedOut);
    EXPECT_EQ(m_shown.texts, (std::vector<std::string> { "WaitForSingleObject timed out" }));
    EXPECT_GE(pumps, 1);
    EXPECT_TRUE(canOpenAgain(0));
}

TEST_F(BoardReceive, InstallsProfileNWithTheLetterAsOneByte)
{
    Receive2KOptions options;
    options.limit = 50ms;
    runReceive2K(m_devices, comName(0), m_shown.sink(), options);
    const auto log = requests(0);
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].code, IOCTL_VLX_GET_EXTRA);
    EXPECT_EQ(log[1].code, IOCTL_VLX_SET_EXTRA);
    EXPECT_EQ(log[2].code, IOCTL_VLX_SET_CUSTOM);
    EXPECT_EQ(log[3].code, IOCTL_VLX_SET_PROTOCOL);
    EXPECT_EQ(log[3].input, (std::vector<uint8_t> { 'N' }));
    EXPECT_EQ(m_board->driverState(0).protocol(), 'N');
}

TEST_F(BoardReceive, APortHeldElsewhereCannotBeOpened)
{
    portio::PortPtr held = openCom(0);
    ASSERT_TRUE(held);
    EXPECT_EQ(runReceive2K(m_devices, comName(0), m_shown.sink()), Receive2KOutcome::NotOpened);
    EXPECT_EQ(runTimedWrite(m_devices, comName(0), m_shown.sink()), TimedWriteOutcome::NotOpened);
    EXPECT_EQ(
        m_shown.texts, (std::vector<std::string> { "The port could not be opened", "The port could not be opened" }));
    EXPECT_TRUE(requests(0).empty());
}

// 204,800 bytes would take seconds at any rate: only the 1 ms limit lets the
// command return, and being cut short is not reported as a failure.
TEST_F(BoardReceive, TimedWriteEndsAtItsLimitWithoutAMessageAndClosesThePort)
{
    EXPECT_EQ(runTimedWrite(m_devices, comName(0), m_shown.sink()), TimedWriteOutcome::Written);
    EXPECT_TRUE(m_shown.texts.empty());
    EXPECT_TRUE(canOpenAgain(0));
}

} // namespace
