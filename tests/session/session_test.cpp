// A console session without any window, on both backends: connect, receive,
// capture, disconnect while the receive thread reads, close during a write
// that only the close can end, and the port going away.
#include "heardbytes.h"
#include "sessionline.h"

#include "session/consolesession.h"
#include "tests/support/uartpeer.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// What the session said, collected from whichever thread said it.
struct Heard : HeardBytes {
    std::vector<std::string> messages;
    std::vector<std::string> indicator;
};

ConsoleSession::Events listen(Heard& heard)
{
    ConsoleSession::Events events;
    events.received = [&heard](std::string_view b) { heard.add(b); };
    events.message = [&heard](const std::string& text) { heard.messages.push_back(text); };
    events.captureIndicator = [&heard](const std::string& text) { heard.indicator.push_back(text); };
    return events;
}

// Every byte value, CR and LF alone and together, and a zero in the middle.
std::string pattern(size_t n)
{
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; ++i)
        bytes[i] = char((i * 7 + i / 256) & 0xFF);
    return bytes;
}

struct Backend {
    const char* name;
    std::unique_ptr<SessionLine> (*make)();
};

void PrintTo(const Backend& backend, std::ostream* out)
{
    *out << backend.name;
}

class Session : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override
    {
        line = GetParam().make();
        if (!line) GTEST_SKIP() << UartLine::missing();
        session = std::make_unique<ConsoleSession>(line->devices(), listen(heard));
        session->m_portCtx.portName = line->portName();
    }
    void TearDown() override { session.reset(); }

    bool receivedAtLeast(size_t n) const
    {
        return waitFor([&] { return heard.received().size() >= n; }, 10s);
    }

    Heard heard;
    std::unique_ptr<SessionLine> line;
    std::unique_ptr<ConsoleSession> session;
};

TEST_P(Session, ConnectsReceivesEveryByteInOrderAndDisconnects)
{
    ASSERT_EQ(session->OpenPort(), 1);
    EXPECT_TRUE(session->m_portCtx.isConnected);
    EXPECT_TRUE(session->receiveThreadRunning());
    const std::string bytes = pattern(3000);
    ASSERT_TRUE(line->send(bytes));
    ASSERT_TRUE(receivedAtLeast(bytes.size()));
    EXPECT_TRUE(heard.received() == bytes) << heard.received().size() << " bytes, not the " << bytes.size() << " sent";
    EXPECT_EQ(session->ClosePort(), 1);
    EXPECT_FALSE(session->m_portCtx.isConnected);
    EXPECT_FALSE(session->receiveThreadRunning());
    EXPECT_FALSE(session->m_portCtx.portHandle);
    EXPECT_TRUE(heard.messages.empty());
}

TEST_P(Session, CaptureHoldsExactlyWhatCameWhileItRan)
{
    char path[] = "/tmp/vl-session-captureXXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    ASSERT_EQ(session->OpenPort(), 1);
    ASSERT_TRUE(session->StartCapture(path));
    const std::string during = pattern(2000);
    ASSERT_TRUE(line->send(during));
    ASSERT_TRUE(receivedAtLeast(during.size()));
    session->StopCapture();
    ASSERT_TRUE(line->send("after"));
    ASSERT_TRUE(receivedAtLeast(during.size() + 5));
    const std::string captured = fileContent(path);
    EXPECT_TRUE(captured == during) << captured.size() << " bytes captured, " << during.size() << " came during it";
    EXPECT_EQ(heard.indicator, (std::vector<std::string> { "CAPTURE IS ACTIVE", "CAPTURE NOT ACTIVE" }));
    EXPECT_FALSE(session->m_portCtx.captureOn);
    std::remove(path);
}

TEST_P(Session, DisconnectWhileTheThreadReadsEndsItAndNothingComesAfter)
{
    for (int cycle = 0; cycle < 10; ++cycle) {
        ASSERT_EQ(session->OpenPort(), 1) << "cycle " << cycle;
        std::atomic<bool> stop { false };
        std::thread remote([&] {
            const std::string block(64, 'q');
            // Brief patience: after the close nothing reads, and the
            // remote must notice the stop soon.
            while (!stop)
                line->send(block, 50ms);
        });
        const size_t before = heard.received().size();
        const bool flowed = receivedAtLeast(before + 500);
        EXPECT_EQ(session->ClosePort(), 1);
        const size_t atClose = heard.received().size();
        stop = true;
        remote.join();
        ASSERT_TRUE(flowed) << "cycle " << cycle;
        EXPECT_FALSE(session->receiveThreadRunning());
        EXPECT_EQ(heard.received().size(), atClose) << "bytes handed on after the close, cycle " << cycle;
    }
}

TEST_P(Session, CloseEndsAWriteThatNothingElseWouldEnd)
{
    session->m_portCtx.baudRate = 300; // on the board, 1 MB would take hours
    ASSERT_EQ(session->OpenPort(), 1);
    // No write time-out: only the close can end this write.
    ASSERT_TRUE(session->m_portCtx.portHandle->setTimeouts({ portio::MAXDWORD, 0, 1000, 0, 0 }).ok());
    const std::string big(1 << 20, 'w');
    std::atomic<bool> done { false };
    portio::IoResult result;
    std::thread writer([&] {
        result = session->write(big.data(), big.size());
        done = true;
    });
    const bool writing = waitFor([&] { return line->farHasBytes(); }, 10s);
    EXPECT_EQ(session->ClosePort(), 1);
    const bool ended = waitFor([&] { return done.load(); }, 20s);
    if (!ended) {
        // A write that never ends would hang the run.
        std::fprintf(stderr, "the close did not end the write\n");
        std::abort();
    }
    writer.join();
    ASSERT_TRUE(writing);
    EXPECT_LT(result.count, big.size());
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(session->receiveThreadRunning());
    EXPECT_FALSE(session->write("x", 1).ok());
}

TEST_P(Session, PortGoingAwaySaysSoOnceAndEndsTheThread)
{
    ASSERT_EQ(session->OpenPort(), 1);
    line->hangUp();
    ASSERT_TRUE(waitFor([&] { return !session->receiveThreadRunning(); }, 10s));
    const std::string got = heard.received();
    const std::string head = "\r\n[port " + line->portName() + " is gone: ";
    EXPECT_EQ(got.rfind(head, 0), 0u) << got;
    EXPECT_EQ(got.find(head, 1), std::string::npos) << got;
    EXPECT_TRUE(got.size() > head.size() + 3 && got.ends_with("]\r\n")) << got;
    EXPECT_EQ(session->ClosePort(), 1);
}

TEST_P(Session, ASecondSessionOnTheSamePortIsRefusedWithTheMessage)
{
    ASSERT_EQ(session->OpenPort(), 1);
    Heard second;
    ConsoleSession other(line->devices(), listen(second));
    other.m_portCtx.portName = line->portName();
    EXPECT_EQ(other.OpenPort(), 0);
    EXPECT_EQ(second.messages, std::vector<std::string> { "The port could not be opened" });
    EXPECT_FALSE(other.m_portCtx.isConnected);
    EXPECT_FALSE(other.receiveThreadRunning());
    EXPECT_EQ(other.m_portCtx.portName, line->portName());
}

INSTANTIATE_TEST_SUITE_P(Backends, Session,
    ::testing::Values(
        Backend { "pty", makePtyLine }, Backend { "board", makeBoardLine }, Backend { "uart", makeUartLine }),
    [](const auto& info) { return std::string(info.param.name); });

// The stop line: one pass over the format, so a "%2" in a name stays, and
// UTF-8 OS texts become the Latin-1 bytes the pane shows.
TEST(ReceiveStopLine, FillsNameAndErrorOnceAndInLatin1)
{
    struct Case {
        const char* format;
        std::string name, error, expected;
    } cases[] = {
        { "[port %1 is gone: %2]", "COM3", "Input/output error", "[port COM3 is gone: Input/output error]" },
        { "[port %1: receiving stopped: %2]", "X%2", "e", "[port X%2: receiving stopped: e]" },
        { "[port %1 is gone: %2]", "COM3", "P\xC3\xA9riph\xC3\xA9rique \xE2\x82\xAC",
            "[port COM3 is gone: P\xE9riph\xE9rique ?]" },
        { "[port %1 is gone: %2]", "COM3", std::string("a\x80") + "b", "[port COM3 is gone: a?b]" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(receiveStopLine(c.format, c.name, c.error), c.expected) << c.format;
}

} // namespace

namespace {

// The user's last Assert/Drop of RTS and DTR goes into the settings a
// reopen applies; a handshake keeps its line, and no choice leaves both on.
TEST(LineSettings, OutputsFollowTheUsersChoiceUnlessAHandshakeOwnsThem)
{
    using namespace portio;
    const struct {
        std::vector<uint32_t> requests;
        uint8_t flow;
        uint8_t rts, dtr;
    } cases[] = {
        { {}, 0, RTS_CONTROL_ENABLE, DTR_CONTROL_ENABLE },
        { { IOCTL_SERIAL_CLR_RTS }, 0, RTS_CONTROL_DISABLE, DTR_CONTROL_ENABLE },
        { { IOCTL_SERIAL_CLR_DTR, IOCTL_SERIAL_CLR_RTS }, 0, RTS_CONTROL_DISABLE, DTR_CONTROL_DISABLE },
        { { IOCTL_SERIAL_CLR_DTR, IOCTL_SERIAL_SET_DTR }, 0, RTS_CONTROL_ENABLE, DTR_CONTROL_ENABLE },
        { { IOCTL_SERIAL_CLR_RTS, IOCTL_SERIAL_CLR_DTR }, FLOW_RTS_CTS | FLOW_DTR_DSR, RTS_CONTROL_HANDSHAKE,
            DTR_CONTROL_HANDSHAKE },
    };
    for (const auto& c : cases) {
        PortContext ctx;
        ctx.flowFlags = c.flow;
        for (uint32_t code : c.requests)
            rememberOutput(ctx, code);
        const Dcb dcb = lineSettingsDcb(Dcb {}, ctx);
        EXPECT_EQ(dcb.fRtsControl, c.rts) << c.requests.size() << " flow " << int(c.flow);
        EXPECT_EQ(dcb.fDtrControl, c.dtr) << c.requests.size() << " flow " << int(c.flow);
    }
}

} // namespace
