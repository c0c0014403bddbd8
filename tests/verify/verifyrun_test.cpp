#include "tests/support/echopeer.h"
#include "tests/support/ptypair.h"
#include "tests/support/waitfor.h"
#include "vboard/boardconfig.h"
#include "vboard/boardinstall.h"
#include "verify/portlist.h"
#include "verify/verifyrun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <ostream>
#include <string>

#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace verify;

namespace {

VerifySettings fastSettings(uint64_t bytes)
{
    VerifySettings s;
    s.line.baud = 921600;
    s.bytes = bytes;
    // A receiver stops as soon as all has come; the drain is what a slow
    // (sanitized, loaded) machine may need for the last bytes.
    s.drainTimeout = std::chrono::seconds(2);
    s.latencySamples = 1;
    s.latencyTimeout = s.modemTimeout = std::chrono::milliseconds(100);
    s.minRate = 0; // rates of runs this short are luck; the benchmark measures them
    s.runKey = 0; // the same bytes every run, for the same counts
    return s;
}

RunReport runOnBoard(const std::string& board, const std::string& ports, const VerifySettings& s)
{
    portio::DeviceNamespace ns;
    // Input queues that hold a whole run: a receiver slowed down by a
    // sanitizer or a loaded machine must not overrun them.
    auto config = vboard::parseBoardOption((board.empty() ? "" : board + ",") + "queue=65536");
    EXPECT_TRUE(config) << config.error().text;
    vboard::installVirtualBoard(ns, *config);
    auto names = parsePortList(ports);
    auto sources = planWiring(s.wiring, *names);
    EXPECT_TRUE(sources) << sources.error().text;
    return VerifyRun(ns, *names, *sources, s).run();
}

const PortReport& port(const RunReport& r, const std::string& name)
{
    for (const auto& p : r.ports)
        if (p.port == name) return p;
    throw std::runtime_error("no report for " + name);
}

// Copies between the masters of two pty pairs, as a cable through a relay;
// drops every millionth byte of each direction when lossy.
class Relay {
public:
    Relay(PtyPair& a, PtyPair& b, bool lossy)
        : m_thread([this, &a, &b, lossy] { run(a.masterFd(), b, b.masterFd(), a, lossy); })
    {
    }
    ~Relay()
    {
        m_stop = true;
        m_thread.join();
    }

private:
    void run(int fa, PtyPair& b, int fb, PtyPair& a, bool lossy)
    {
        uint64_t counts[2] = {};
        while (!m_stop) {
            pollfd fds[2] = { { fa, POLLIN, 0 }, { fb, POLLIN, 0 } };
            if (::poll(fds, 2, 20) <= 0) continue;
            for (int i = 0; i < 2; ++i)
                if (fds[i].revents & POLLIN) copy(fds[i].fd, i ? a : b, counts[i], lossy);
        }
    }
    static void copy(int from, PtyPair& to, uint64_t& count, bool lossy)
    {
        uint8_t buf[65536];
        const ssize_t n = ::read(from, buf, sizeof buf);
        if (n <= 0) return;
        std::string out;
        for (ssize_t i = 0; i < n; ++i)
            if (!lossy || ++count % 1000000 != 0) out += char(buf[i]);
        to.writeAll(out);
    }

    std::atomic<bool> m_stop { false };
    std::thread m_thread;
};

} // namespace

TEST(VerifyRun, ACleanBoardOfNinetySixPortsPasses)
{
    const auto r = runOnBoard("", "COM3-COM98", fastSettings(2000));
    ASSERT_EQ(r.ports.size(), 96u);
    for (const auto& p : r.ports) {
        EXPECT_TRUE(p.pass) << p.port << ": " << p.reason;
        EXPECT_EQ(p.bytesReceived, 2000u);
        EXPECT_EQ(p.modem.state, ModemCheck::State::Passed) << p.port;
        ASSERT_TRUE(p.lineErrors) << p.port;
        EXPECT_EQ(p.lineErrors->total(), 0u);
    }
    EXPECT_TRUE(r.pass);
}

// A busy line wakes its receiver when a read has filled, not at every batch
// of characters the board moves (about 500 a second): at 96 ports the waking
// was nearly all of a run's cost.
TEST(VerifyRun, ABusyLineWakesItsReaderAndWriterOnlyAFewTimesASecond)
{
    portio::DeviceNamespace ns;
    auto config = vboard::parseBoardOption("ports=4");
    ASSERT_TRUE(config);
    const auto board = vboard::installVirtualBoard(ns, *config);
    VerifySettings s;
    s.duration = std::chrono::seconds(1);
    s.latencySamples = 0;
    s.minRate = 0;
    const auto r = VerifyRun(ns, { "COM3", "COM4", "COM5", "COM6" }, { 0, 1, 2, 3 }, s).run();
    ASSERT_TRUE(r.pass);
    for (int i = 0; i < 4; ++i) {
        EXPECT_GE(r.ports[size_t(i)].bytesReceived, 11520u / 2) << i;
        // Ten full reads a second, the modem check and the tail of the run.
        EXPECT_LT(board->readerWakeUps(i), 60u) << i;
        EXPECT_LT(board->writerWakeUps(i), 60u) << i;
    }
}

struct FaultCase {
    const char* board;
    const char* wiring;
    std::vector<std::string> failing; // every other port passes
    uint64_t StreamCounts::*counter; // nonzero on the failing ports (null: none)
    const char* reason;
};

const std::vector<std::string> AllEight { "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9", "COM10" };

const FaultCase FaultCases[] = {
    { "ports=8,noise=1e-3", "loopback", AllEight, &StreamCounts::corrupt, "corrupted" },
    { "ports=8,drop=COM7:1e-2", "loopback", { "COM7" }, &StreamCounts::lost, "lost" },
    { "ports=8,wiring=pairs,drop=COM7:1e-2", "pairs", { "COM7" }, &StreamCounts::lost, "lost" },
    { "ports=8,swap=COM5:COM9", "loopback", { "COM5", "COM9" }, &StreamCounts::misrouted, "receives COM" },
    { "ports=8,nocts=COM4", "loopback", { "COM4" }, nullptr, "CTS does not follow RTS" },
    { "ports=8,wiring=pairs,nocts=COM4", "pairs", { "COM4" }, nullptr, "CTS does not follow RTS" },
};

class InjectedFault : public testing::TestWithParam<FaultCase> { };

TEST_P(InjectedFault, FailsTheRightPortWithTheRightCounter)
{
    const FaultCase& c = GetParam();
    auto s = fastSettings(5000);
    s.wiring = c.wiring;
    const auto r = runOnBoard(c.board, "COM3-COM10", s);
    EXPECT_FALSE(r.pass);
    for (const auto& p : r.ports) {
        const bool failing = std::find(c.failing.begin(), c.failing.end(), p.port) != c.failing.end();
        EXPECT_EQ(p.pass, !failing) << p.port << ": " << p.reason;
        if (!failing) continue;
        EXPECT_NE(p.reason.find(c.reason), std::string::npos) << p.port << ": " << p.reason;
        if (c.counter) {
            EXPECT_GT(p.stream.*c.counter, 0u) << p.port;
        }
        // A miswired port also misses its own data; nothing else is counted.
        const uint64_t own = c.counter ? p.stream.*c.counter : 0;
        const uint64_t missed = c.counter == &StreamCounts::misrouted ? p.stream.lost : 0;
        EXPECT_EQ(p.stream.total(), own + missed) << p.port;
    }
    if (c.counter != &StreamCounts::misrouted) return;
    EXPECT_EQ(port(r, "COM5").reason, "receives COM9's data");
    EXPECT_EQ(port(r, "COM9").misroutedFrom, std::vector<std::string> { "COM5" });
    EXPECT_EQ(port(r, "COM5").stream.lost, 5000u);
}

// Named by the board option, so a listing says which fault failed.
void PrintTo(const FaultCase& c, std::ostream* os)
{
    *os << c.board;
}

std::string faultName(const testing::TestParamInfo<FaultCase>& info)
{
    std::string name = info.param.board;
    std::replace_if(
        name.begin(), name.end(), [](unsigned char ch) { return !std::isalnum(ch); }, '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(VirtualBoard, InjectedFault, testing::ValuesIn(FaultCases), faultName);

TEST(VerifyRun, PortsThatCannotTakePartFailWithTheirReason)
{
    auto s = fastSettings(2000);
    s.wiring = "pairs";
    const auto r = runOnBoard("ports=4,wiring=pairs", "COM3,COM4,COM5,COM77", s);
    EXPECT_FALSE(r.pass);
    EXPECT_TRUE(port(r, "COM3").pass) << port(r, "COM3").reason;
    EXPECT_NE(port(r, "COM77").reason.find("cannot be opened"), std::string::npos) << port(r, "COM77").reason;
    // COM5 hears COM77, which sent nothing: a fail, never a pass on no data.
    EXPECT_NE(port(r, "COM5").reason.find("COM77 (its source) cannot be opened"), std::string::npos)
        << port(r, "COM5").reason;
}

TEST(VerifyRun, PseudoTerminalsThroughALossyRelayFail)
{
    for (bool lossy : { false, true }) {
        SCOPED_TRACE(lossy ? "lossy" : "clean");
        PtyPair a, b;
        Relay relay(a, b, lossy);
        auto s = fastSettings(1100000);
        s.wiring = "pairs";
        s.minRate = 0;
        portio::DeviceNamespace ns;
        const auto r = VerifyRun(ns, { a.slavePath(), b.slavePath() }, { 1, 0 }, s).run();
        for (const auto& p : r.ports) {
            EXPECT_EQ(p.pass, !lossy) << p.port << ": " << p.reason;
            EXPECT_EQ(p.stream.lost, lossy ? 1u : 0u);
            EXPECT_EQ(p.stream.total(), p.stream.lost);
            // A pseudo-terminal has neither error counters nor modem lines.
            EXPECT_FALSE(p.lineErrors);
            EXPECT_EQ(p.modem.state, ModemCheck::State::NotAvailable);
        }
        EXPECT_EQ(r.pass, !lossy);
    }
}

struct PreparationStall {
    const char* name;
    const char* board; // a fault that holds the preparation for its whole time-out
};

// Stop while the run prepares ends it within a short wait, not after the
// modem-line or latency time-out: every port is reported interrupted with
// nothing sent, and every port is closed (it opens again).
TEST(VerifyRun, StopWhilePreparingEndsTheRunWithThePortsClosed)
{
    const PreparationStall stalls[] = {
        { "modem lines that never follow", "ports=4,nocts=COM4,queue=65536" },
        { "a byte that never comes back", "ports=4,drop=COM5:1,queue=65536" },
    };
    for (const PreparationStall& c : stalls) {
        SCOPED_TRACE(c.name);
        portio::DeviceNamespace ns;
        auto config = vboard::parseBoardOption(c.board);
        ASSERT_TRUE(config) << config.error().text;
        vboard::installVirtualBoard(ns, *config);
        auto s = fastSettings(2000);
        // Far longer than the wait below: only the stop can end these.
        s.modemTimeout = s.latencyTimeout = std::chrono::seconds(60);
        const std::vector<std::string> names { "COM3", "COM4", "COM5", "COM6" };
        std::atomic<bool> stop { false }, opened { false }, ended { false };
        RunReport r;
        std::thread run([&] {
            r = VerifyRun(ns, names, { 0, 1, 2, 3 }, s, &stop).run([&](const Progress&) { opened = true; });
            ended = true;
        });
        // The first progress comes once the ports are open, before the preparation.
        ASSERT_TRUE(waitFor([&] { return opened.load(); }, std::chrono::seconds(30)));
        stop = true;
        const bool endedInTime = waitFor([&] { return ended.load(); }, std::chrono::seconds(20));
        run.join();
        EXPECT_TRUE(endedInTime);
        EXPECT_TRUE(r.interrupted);
        EXPECT_FALSE(r.pass);
        ASSERT_EQ(r.ports.size(), 4u);
        for (const auto& p : r.ports) {
            EXPECT_EQ(p.reason, "interrupted") << p.port;
            EXPECT_EQ(p.bytesSent, 0u) << p.port;
            EXPECT_TRUE(ns.open(p.port, portio::Access::ReadWrite)) << p.port;
        }
    }
}

// A port set up with XON and XOFF characters of its own keeps them for the
// run, and the pattern never sends them: the pseudo-terminal's line
// discipline would take them out of the stream and hold its output.
TEST(VerifyRun, XonXoffFlowAvoidsThePortsOwnCharacters)
{
    struct Case {
        uint8_t bits, xon, xoff;
        bool pass;
    };
    const Case cases[]
        = { { 8, 0x21, 0x23, true }, { 7, 0x45, 0x67, true }, { 6, 0x2A, 0x09, true }, { 5, 0x05, 0x07, false } };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.bits));
        PtyPair pty;
        termios t {};
        ASSERT_EQ(::tcgetattr(pty.slaveFd(), &t), 0);
        t.c_cc[VSTART] = c.xon;
        t.c_cc[VSTOP] = c.xoff;
        ASSERT_EQ(::tcsetattr(pty.slaveFd(), TCSANOW, &t), 0);
        EchoPeer echo(pty);
        auto s = fastSettings(100000);
        s.line.dataBits = c.bits;
        s.line.flow = Flow::XonXoff;
        s.latencySamples = 0;
        portio::DeviceNamespace ns;
        const auto r = VerifyRun(ns, { pty.slavePath() }, { 0 }, s).run();
        ASSERT_EQ(r.ports.size(), 1u);
        const PortReport& p = r.ports[0];
        EXPECT_EQ(p.pass, c.pass) << p.reason;
        if (c.pass) {
            EXPECT_EQ(p.bytesReceived, 100000u);
            EXPECT_EQ(p.stream.total(), 0u);
        } else {
            EXPECT_EQ(p.reason, "the test pattern cannot avoid the XON/XOFF characters 0x05 0x07 with 5 data bits");
            EXPECT_EQ(p.bytesSent, 0u);
        }
    }
}

namespace {

struct StopCase {
    const char* name;
    uint32_t baud; // slow lines: the stop falls inside a write that lasts
    const char* wiring;
};

} // namespace

// Stopped in the middle of the load, every byte a port received is one its
// source counted as sent: none is taken for a repeat, and what was already
// on the line when the stop came still arrives.
TEST(VerifyRun, StopDuringTheLoadCountsEveryByteOnce)
{
    const StopCase cases[] = {
        { "pairs at 9600", 9600, "pairs" },
        { "loopback at 115200", 115200, "loopback" },
    };
    for (const StopCase& c : cases) {
        SCOPED_TRACE(c.name);
        portio::DeviceNamespace ns;
        auto config = vboard::parseBoardOption(std::string("ports=8,queue=65536,wiring=") + c.wiring);
        ASSERT_TRUE(config) << config.error().text;
        vboard::installVirtualBoard(ns, *config);
        auto s = fastSettings(0);
        s.bytes.reset();
        s.duration = std::chrono::seconds(60); // only the stop ends it
        s.line.baud = c.baud;
        s.wiring = c.wiring;
        auto names = parsePortList("COM3-COM10");
        auto sources = planWiring(s.wiring, *names);
        ASSERT_TRUE(sources) << sources.error().text;
        std::atomic<bool> stop { false }, flowing { false }, ended { false };
        RunReport r;
        std::thread run([&] {
            r = VerifyRun(ns, *names, *sources, s, &stop).run([&](const Progress& p) {
                flowing = std::all_of(p.lanes.begin(), p.lanes.end(),
                    [](const PortProgress& l) { return l.phase == PortProgress::Phase::Running && l.received > 0; });
            });
            ended = true;
        });
        const bool loaded = waitFor([&] { return flowing.load(); }, std::chrono::seconds(30));
        stop = true;
        const bool endedInTime = waitFor([&] { return ended.load(); }, std::chrono::seconds(30));
        run.join();
        ASSERT_TRUE(loaded);
        EXPECT_TRUE(endedInTime);
        EXPECT_TRUE(r.interrupted);
        ASSERT_EQ(r.ports.size(), 8u);
        for (const auto& p : r.ports) {
            SCOPED_TRACE(p.port);
            EXPECT_EQ(p.reason, "interrupted");
            EXPECT_GT(p.bytesReceived, 0u);
            EXPECT_EQ(p.stream.duplicate, 0u);
            EXPECT_EQ(p.stream.total(), 0u);
            EXPECT_EQ(p.bytesReceived + p.stream.lost, p.bytesSent);
        }
    }
}
