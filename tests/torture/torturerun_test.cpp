// The load run on the virtual board: which ports it opens and closes, what it
// reports, what reaches the far ends, and that Stop ends every writer.
#include "torture/torturerun.h"

#include "portio/devicenamespace.h"
#include "res/texts.h"
#include "tests/support/waitfor.h"
#include "vboard/boardinstall.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <numeric>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using torture::TortureParams;
using torture::TortureRun;

constexpr uint32_t FastBaud = 921600;

class TortureRunTest : public ::testing::Test {
protected:
    void SetUp() override { torture::setTortureParams({}); }
    void TearDown() override
    {
        run.stop();
        torture::setTortureParams({});
    }

    // A board of `ports` ports at COM3 ...; nothing else resolves, so a
    // missing COM number never reaches a real device of this machine.
    void makeBoard(int ports, vboard::Wiring wiring = vboard::Wiring::Pairs)
    {
        char dir[] = "/tmp/torturerun-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_emptyDir = dir;
        ns = std::make_unique<portio::DeviceNamespace>(portio::DeviceNamespace::Config { m_emptyDir, m_emptyDir });
        vboard::BoardConfig config;
        config.ports = ports;
        config.wiring = wiring;
        board = vboard::installVirtualBoard(*ns, config);
    }

    bool start(TortureParams params)
    {
        return run.start(*ns, params, [this](const std::string& text) { messages.push_back(text); });
    }

    bool canOpen(int com) { return ns->open("COM" + std::to_string(com), portio::Access::ReadWrite).ok(); }

    // Settings a port keeps between opens: RTS/CTS handshake at the fast rate.
    void presetHandshake(int index)
    {
        auto port = board->open(index, portio::Access::ReadWrite);
        ASSERT_TRUE(port.ok());
        portio::Dcb dcb = port.value()->getState().value();
        dcb.BaudRate = FastBaud;
        dcb.fOutxCtsFlow = true;
        dcb.fRtsControl = portio::RTS_CONTROL_HANDSHAKE;
        ASSERT_TRUE(port.value()->setState(dcb).ok());
        port.value()->close();
    }

    std::unique_ptr<portio::DeviceNamespace> ns;
    std::shared_ptr<vboard::VirtualBoard> board;
    TortureRun run;
    std::vector<std::string> messages;

private:
    std::string m_emptyDir;
};

TEST_F(TortureRunTest, MissingPortAbortsAndFreesThePortsOpenedBeforeIt)
{
    makeBoard(4);
    bool freeWhenShown = false;
    const bool started = run.start(*ns, { 3, 5, FastBaud }, [&](const std::string& text) {
        messages.push_back(text);
        freeWhenShown = canOpen(3) && canOpen(6);
    });
    EXPECT_FALSE(started);
    EXPECT_FALSE(run.running());
    EXPECT_EQ(messages, std::vector<std::string>({ R"(\\.\COM7 could not be opened. Aborting operation...)" }));
    EXPECT_TRUE(freeWhenShown);
    for (int com = 3; com <= 6; ++com)
        EXPECT_TRUE(canOpen(com)) << com;

    // A later start begins afresh.
    messages.clear();
    EXPECT_TRUE(start({ 3, 4, FastBaud }));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(run.blockCounts().size(), 4u);
}

TEST_F(TortureRunTest, PortThatRefusesToOpenIsNamedAndNothingStaysOpen)
{
    makeBoard(4);
    board->failNextOpens(2);
    EXPECT_FALSE(start({ 3, 4, FastBaud }));
    EXPECT_EQ(messages, std::vector<std::string>({ std::string(R"(\\.\COM5)") + txt::CouldNotBeOpenedAborting }));
    for (int com = 3; com <= 6; ++com)
        EXPECT_TRUE(canOpen(com)) << com;
}

TEST_F(TortureRunTest, PortCountZeroRunsWithoutPorts)
{
    makeBoard(2);
    EXPECT_TRUE(start({ 3, 0, FastBaud }));
    EXPECT_TRUE(run.running());
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(run.blockCounts().empty());
    EXPECT_FALSE(run.progressText());
    EXPECT_TRUE(canOpen(3));
    run.stop();
    EXPECT_FALSE(run.running());
    run.stop(); // idle: nothing happens
    EXPECT_TRUE(messages.empty());
}

TEST_F(TortureRunTest, StartWhileRunningChangesNothing)
{
    makeBoard(4);
    ASSERT_TRUE(start({ 3, 2, FastBaud }));
    // Parameters that would both fail and open other ports are not looked at.
    EXPECT_FALSE(start({ 5, 9, 0 }));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(run.blockCounts().size(), 2u);
    EXPECT_TRUE(canOpen(5));
    EXPECT_FALSE(canOpen(3));
    EXPECT_EQ(board->dcb(0).BaudRate, FastBaud);
}

TEST_F(TortureRunTest, SetsThePortsUpAndTheBytesReachTheFarEnd)
{
    makeBoard(2);
    presetHandshake(1);
    auto farEnd = ns->open(R"(\\.\COM4)", portio::Access::ReadWrite);
    ASSERT_TRUE(farEnd.ok());
    farEnd.value()->setTimeouts({ portio::MAXDWORD, portio::MAXDWORD, 100, 0, 0 });
    ASSERT_TRUE(start({ 3, 1, FastBaud }));

    EXPECT_EQ(board->dcb(0).BaudRate, FastBaud);
    EXPECT_TRUE(board->modemOutputs(0).dtr);
    std::string received;
    char buffer[512];
    ASSERT_TRUE(waitFor([&] {
        const auto r = farEnd.value()->read(buffer, sizeof buffer);
        received.append(buffer, r.count);
        return received.size() >= 3000 && run.blockCounts().at(0) >= 2;
    }));
    // Printable filler, the same 1024-byte block over and over.
    for (size_t i = 0; i < received.size(); ++i)
        ASSERT_EQ(received[i], char(' ' + i % 1024 % 95)) << i;

    const uint64_t before = run.blockCounts().at(0);
    EXPECT_TRUE(waitFor([&] {
        received.append(buffer, farEnd.value()->read(buffer, sizeof buffer).count);
        return run.blockCounts().at(0) > before;
    }));
    EXPECT_TRUE(messages.empty());
}

TEST_F(TortureRunTest, ProgressTextNamesTheCurrentFirstPortAndTheLatestCount)
{
    makeBoard(2, vboard::Wiring::Loopback);
    EXPECT_FALSE(run.progressText());
    ASSERT_TRUE(start({ 3, 2, FastBaud }));
    std::optional<std::string> text;
    ASSERT_TRUE(waitFor([&] { return (text = run.progressText()).has_value(); }));
    const std::string prefix = "COM 3   KB sent: ";
    ASSERT_EQ(text->substr(0, prefix.size()), prefix);
    const uint64_t shown = std::stoull(text->substr(prefix.size()));
    const auto counts = run.blockCounts();
    EXPECT_GE(shown, 1u);
    EXPECT_LE(shown, *std::max_element(counts.begin(), counts.end()));

    // The number after "COM " is the parameter as it is now, not the run's.
    torture::setTortureParams({ 11, 1, 300 });
    ASSERT_TRUE(waitFor([&] { return (text = run.progressText()).has_value(); }));
    EXPECT_EQ(text->substr(0, 17), "COM 11   KB sent:");
    EXPECT_EQ(run.blockCounts().size(), 2u);

    run.stop();
    EXPECT_FALSE(run.progressText());
}

TEST_F(TortureRunTest, RefusedBaudIsReportedAndThePortsStillRun)
{
    makeBoard(2, vboard::Wiring::Loopback);
    for (uint32_t baud : { 0u, FastBaud + 1 }) {
        messages.clear();
        ASSERT_TRUE(start({ 3, 2, baud }));
        EXPECT_EQ(messages, std::vector<std::string>(2, txt::SetCommStateFailed));
        EXPECT_NE(board->dcb(0).BaudRate, baud);
        EXPECT_TRUE(waitFor(
            [&] {
                const auto c = run.blockCounts();
                return c.at(0) >= 1 && c.at(1) >= 1;
            },
            10s));
        run.stop();
        EXPECT_TRUE(canOpen(3) && canOpen(4));
    }
}

TEST_F(TortureRunTest, StopEndsWritersHeldByFlowControlAndClosesEveryPort)
{
    makeBoard(2);
    presetHandshake(0);
    presetHandshake(1);
    ASSERT_TRUE(start({ 3, 2, FastBaud }));
    // Neither side reads: each input queue fills, each drops RTS, and both
    // writers are left inside a write that cannot finish for 100 s.
    ASSERT_TRUE(waitFor([&] { return !board->modemOutputs(0).rts && !board->modemOutputs(1).rts; }));
    run.progressText();
    EXPECT_FALSE(run.progressText()); // held: no progress since
    const auto counts = run.blockCounts();

    const auto begin = std::chrono::steady_clock::now();
    run.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 10s);
    EXPECT_FALSE(run.running());
    EXPECT_TRUE(canOpen(3));
    EXPECT_TRUE(canOpen(4));
    EXPECT_EQ(counts.size(), 2u);
}

TEST_F(TortureRunTest, UnpluggedPortCountsNoMoreBlocksAndStopStillCloses)
{
    makeBoard(2, vboard::Wiring::Loopback);
    ASSERT_TRUE(start({ 3, 2, FastBaud }));
    board->unplug(0);
    const uint64_t atUnplug = run.blockCounts().at(0);
    EXPECT_TRUE(waitFor([&] { return run.blockCounts().at(1) > atUnplug + 5; }));
    EXPECT_LE(run.blockCounts().at(0), atUnplug + 1);
    run.stop();
    board->replug(0);
    EXPECT_TRUE(canOpen(3) && canOpen(4));
}

TEST(TortureRunInstance, OneRunForTheProcess)
{
    EXPECT_EQ(&TortureRun::instance(), &TortureRun::instance());
}

} // namespace
