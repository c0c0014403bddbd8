#include "linestatus/linestatusmonitor.h"

#include "portio/posix/posixport.h"
#include "vboard/virtualboard.h"

#include "tests/support/ptypair.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

using namespace linestatus;
using namespace portio;

namespace {

std::shared_ptr<Port> openPty(PtyPair& pty)
{
    auto port = openPosixPort(pty.slavePath(), Access::ReadWrite, OpenPurpose::Io);
    if (!port) throw std::runtime_error(port.error().text);
    CommTimeouts t;
    t.ReadTotalTimeoutConstant = 5000;
    (void)(*port)->setTimeouts(t);
    return std::shared_ptr<Port>(std::move(*port));
}

std::shared_ptr<Port> openBoardPort(vboard::VirtualBoard& board, int index = 0)
{
    auto port = board.open(index, Access::ReadWrite);
    if (!port) throw std::runtime_error(port.error().text);
    return std::shared_ptr<Port>(std::move(*port));
}

std::vector<uint8_t> bytes(size_t n)
{
    std::vector<uint8_t> v(n);
    std::iota(v.begin(), v.end(), uint8_t(0));
    return v;
}

// The states a listener was given, for checks from the test's thread.
struct Recorder {
    std::mutex mutex;
    std::vector<LineState> states;
    LineStatusMonitor::Listener listener()
    {
        return [this](const LineState& s) {
            std::lock_guard lock(mutex);
            states.push_back(s);
        };
    }
    size_t count()
    {
        std::lock_guard lock(mutex);
        return states.size();
    }
    LineState last()
    {
        std::lock_guard lock(mutex);
        return states.empty() ? LineState {} : states.back();
    }
    bool anyFrom(size_t first, bool LineState::*flag)
    {
        std::lock_guard lock(mutex);
        for (size_t i = first; i < states.size(); ++i)
            if (states[i].*flag) return true;
        return false;
    }
};

} // namespace

// The caller counts what its reads and writes moved; the totals are what the
// far end sent and received, and a pseudo-terminal reports no modem lines and
// no error counters (never "low", never zero errors).
TEST(LineStatusMonitor, CountsWhatThePeerSentAndReceivedOnAPseudoTerminal)
{
    const struct {
        size_t peerSends, peerReceives;
    } cases[] = { { 0, 1 }, { 1, 0 }, { 1000, 17 }, { 20000, 4096 } };
    for (const auto& c : cases) {
        PtyPair pty;
        const auto port = openPty(pty);
        Recorder seen;
        LineStatusMonitor monitor(port, seen.listener());
        const auto sent = bytes(c.peerSends);
        std::thread peer([&] { pty.writeAll(sent.data(), sent.size()); });
        std::vector<uint8_t> got(c.peerSends);
        for (size_t have = 0; have < got.size();) {
            const auto r = port->read(got.data() + have, got.size() - have);
            ASSERT_TRUE(r.ok() && r.count > 0) << r.error.text;
            monitor.noteReceived(r.count);
            have += r.count;
        }
        peer.join();
        const auto out = bytes(c.peerReceives);
        const auto w = port->write(out.data(), out.size());
        monitor.noteSent(w.count);
        const auto atPeer = pty.readExactly(c.peerReceives);
        ASSERT_EQ(atPeer.size(), c.peerReceives);
        ASSERT_TRUE(waitFor([&] {
            const auto s = seen.last();
            return s.rxBytes == c.peerSends && s.txBytes == atPeer.size();
        })) << c.peerSends
            << " " << c.peerReceives << ": " << seen.last().rxBytes << " " << seen.last().txBytes;
        EXPECT_EQ(monitor.setRts(true).code, ErrorCode::NotSupported);
        monitor.noteDtr(true); // an Assert command's word does not give a pty a DTR line
        const LineState s = monitor.state();
        for (Level l : { s.cts, s.dsr, s.dcd, s.ri, s.rts, s.dtr })
            EXPECT_EQ(l, Level::Unavailable);
        EXPECT_FALSE(s.errors.has_value());
        EXPECT_FALSE(s.portGone);
        monitor.resetCounters();
        EXPECT_EQ(monitor.state().rxBytes, 0u);
        EXPECT_EQ(monitor.state().txBytes, 0u);
    }
}

TEST(RateMeter, GivesTheGrowthOverTheLastWindowPerSecond)
{
    using ms = std::chrono::milliseconds;
    const struct {
        std::vector<std::pair<int, uint64_t>> samples; // ms, total
        double perSecond;
    } cases[] = {
        { {}, 0 },
        { { { 0, 500 } }, 0 },
        { { { 0, 0 }, { 500, 500 } }, 1000 },
        { { { 0, 0 }, { 250, 100 }, { 500, 200 }, { 1000, 400 } }, 400 },
        // Older samples leave the window: only the last second counts.
        { { { 0, 0 }, { 1000, 10000 }, { 1500, 10000 }, { 2000, 10000 } }, 0 },
        { { { 0, 0 }, { 1000, 0 }, { 2000, 921600 / 10 } }, 92160 },
    };
    for (const auto& c : cases) {
        RateMeter meter(ms(1000));
        const RateMeter::Clock::time_point t0 {};
        for (const auto& [at, total] : c.samples)
            meter.sample(total, t0 + ms(at));
        EXPECT_DOUBLE_EQ(meter.perSecond(), c.perSecond) << c.samples.size();
    }
}

// A burst typed a second and a half ago still shows as a rate.
TEST(RateMeter, ByDefaultStillShowsABurstOfSecondsAgo)
{
    using ms = std::chrono::milliseconds;
    RateMeter meter;
    const RateMeter::Clock::time_point t0 {};
    for (const auto& [at, total] : { std::pair { 0, 0 }, { 50, 90 }, { 1050, 90 }, { 1550, 90 } })
        meter.sample(uint64_t(total), t0 + ms(at));
    EXPECT_DOUBLE_EQ(meter.perSecond(), 90 / 1.55);
    meter.sample(90, t0 + ms(6000));
    EXPECT_EQ(meter.perSecond(), 0);
}

TEST(LineStatusMonitor, RatesFallToZeroWhenTrafficStops)
{
    PtyPair pty;
    LineStatusMonitor monitor(openPty(pty), {}, { std::chrono::milliseconds(10), std::chrono::milliseconds(200) });
    ASSERT_TRUE(waitFor([&] {
        monitor.noteSent(100);
        return monitor.state().txRate > 0;
    }));
    EXPECT_EQ(monitor.state().rxRate, 0);
    EXPECT_TRUE(waitFor([&] { return monitor.state().txRate == 0; }));
}

// Loopback wiring: RTS comes back as CTS, DTR as DSR and DCD.
TEST(LineStatusMonitor, OutputsLightTheLoopedBackInputs)
{
    vboard::BoardConfig config;
    config.ports = 1;
    vboard::VirtualBoard board(config);
    Recorder seen;
    LineStatusMonitor monitor(openBoardPort(board), seen.listener());
    const struct {
        bool rts, dtr;
        Level cts, dsr, dcd;
    } steps[] = {
        { false, false, Level::Low, Level::Low, Level::Low },
        { true, false, Level::High, Level::Low, Level::Low },
        { true, true, Level::High, Level::High, Level::High },
        { false, true, Level::Low, Level::High, Level::High },
        { false, false, Level::Low, Level::Low, Level::Low },
    };
    for (const auto& step : steps) {
        ASSERT_FALSE(monitor.setRts(step.rts));
        ASSERT_FALSE(monitor.setDtr(step.dtr));
        const auto expected = [&](const LineState& s) {
            return s.cts == step.cts && s.dsr == step.dsr && s.dcd == step.dcd && s.ri == Level::Low
                && s.rts == (step.rts ? Level::High : Level::Low) && s.dtr == (step.dtr ? Level::High : Level::Low);
        };
        EXPECT_TRUE(waitFor([&] { return expected(seen.last()); }))
            << "RTS " << step.rts << " DTR " << step.dtr << ": CTS " << levelName(seen.last().cts) << " DSR "
            << levelName(seen.last().dsr) << " DCD " << levelName(seen.last().dcd);
        EXPECT_EQ(board.modemOutputs(0).rts, step.rts);
        EXPECT_EQ(board.modemOutputs(0).dtr, step.dtr);
    }
}

// Each injected line error lands in its own counter; the counts start from
// the driver's totals as they were when the monitor started, and a reset
// starts them again.
TEST(LineStatusMonitor, ShowsTheDriversLineErrorsSinceTheStartOrTheReset)
{
    vboard::BoardConfig config;
    config.ports = 1;
    vboard::VirtualBoard board(config);
    const auto port = openBoardPort(board);
    board.injectErrors(0, CE_FRAME | CE_BREAK); // before the monitor: not counted
    LineStatusMonitor monitor(port);
    ASSERT_EQ(monitor.state().errors, ErrorCounts {});
    const struct {
        uint32_t flags;
        ErrorCounts total;
    } steps[] = {
        { CE_FRAME, { 1, 0, 0, 0, 0 } },
        { CE_RXPARITY, { 1, 1, 0, 0, 0 } },
        { CE_OVERRUN, { 1, 1, 1, 0, 0 } },
        { CE_BREAK, { 1, 1, 1, 1, 0 } },
        { CE_RXOVER, { 1, 1, 1, 1, 1 } },
        { CE_FRAME | CE_RXPARITY | CE_BREAK, { 2, 2, 1, 2, 1 } },
    };
    for (const auto& step : steps) {
        board.injectErrors(0, step.flags);
        EXPECT_TRUE(waitFor([&] { return monitor.state().errors == step.total; })) << step.flags;
    }
    monitor.resetCounters();
    EXPECT_EQ(monitor.state().errors, ErrorCounts {});
    board.injectErrors(0, CE_RXOVER);
    EXPECT_TRUE(waitFor([&] { return monitor.state().errors == ErrorCounts { 0, 0, 0, 0, 1 }; }));
}

// Bits the board's noise turns over are caught by odd and even parity (an odd
// number of them in a character), never without parity.
TEST(LineStatusMonitor, NoiseOnTheLineShowsAsParityErrors)
{
    const struct {
        uint8_t parity;
        bool caught;
    } cases[] = { { EVENPARITY, true }, { ODDPARITY, true }, { NOPARITY, false } };
    for (const auto& c : cases) {
        vboard::BoardConfig config;
        config.ports = 1;
        config.faults.noise = 1e-3;
        vboard::VirtualBoard board(config);
        const auto port = openBoardPort(board);
        Dcb d;
        d.BaudRate = 921600;
        d.Parity = c.parity;
        d.fParity = c.parity != NOPARITY;
        ASSERT_FALSE(port->setState(d));
        LineStatusMonitor monitor(port);
        const auto data = bytes(4000); // 32000 bits: about 32 turned over
        ASSERT_EQ(port->write(data.data(), data.size()).count, data.size());
        ASSERT_TRUE(waitFor([&] { return port->clearCommError()->cbInQue == data.size(); }));
        const auto driver = *port->lineCounters();
        EXPECT_TRUE(waitFor([&] { return monitor.state().errors->parity == driver.parity; }));
        const auto e = *monitor.state().errors;
        if (c.caught)
            EXPECT_GT(e.parity, 5u) << int(c.parity);
        else
            EXPECT_EQ(e.parity, 0u);
        EXPECT_EQ(e.framing + e.overrun + e.brk + e.bufferOverrun, 0u);
    }
}

// However the port goes away under the monitor, it says so, shows no line as
// low, ends its thread by itself and stops without waiting on the port.
TEST(LineStatusMonitor, SaysThePortIsGoneAndStopsCleanly)
{
    enum class Way { ClosePty, HangUpPty, CloseBoardPort, UnplugBoardPort };
    for (Way way : { Way::ClosePty, Way::HangUpPty, Way::CloseBoardPort, Way::UnplugBoardPort }) {
        PtyPair pty;
        vboard::BoardConfig config;
        config.ports = 1;
        vboard::VirtualBoard board(config);
        const bool onBoard = way == Way::CloseBoardPort || way == Way::UnplugBoardPort;
        const auto port = onBoard ? openBoardPort(board) : openPty(pty);
        Recorder seen;
        auto monitor = std::make_unique<LineStatusMonitor>(port, seen.listener());
        if (onBoard) {
            ASSERT_TRUE(waitFor([&] { return seen.last().cts == Level::High; }));
        }
        switch (way) {
        case Way::HangUpPty:
            pty.closeSlave();
            pty.closeMaster();
            break;
        case Way::UnplugBoardPort:
            board.unplug(0);
            break;
        default:
            port->close();
        }
        EXPECT_TRUE(waitFor([&] { return seen.last().portGone; })) << int(way);
        const LineState s = seen.last();
        for (Level l : { s.cts, s.dsr, s.dcd, s.ri, s.rts, s.dtr })
            EXPECT_EQ(l, Level::Unavailable) << int(way);
        const auto before = seen.count();
        monitor->stop();
        monitor.reset();
        EXPECT_EQ(seen.count(), before);
    }
}

// A modem-status query that fails now and then (not because the port went)
// leaves the lines as they were last seen, said to be stale, and the next
// answer shows them as known again; only a port that is gone clears them.
TEST(LineStatusMonitor, AFailedQueryKeepsTheLastLevelsUntilTheNextAnswer)
{
    for (int failures : { 1, 3 }) {
        vboard::BoardConfig config;
        config.ports = 1;
        vboard::VirtualBoard board(config);
        Recorder seen;
        LineStatusMonitor monitor(openBoardPort(board), seen.listener());
        ASSERT_FALSE(monitor.setRts(true));
        ASSERT_FALSE(monitor.setDtr(false));
        const auto asSet = [](const LineState& s) {
            return s.cts == Level::High && s.dsr == Level::Low && s.dcd == Level::Low && s.ri == Level::Low
                && s.rts == Level::High && s.dtr == Level::Low;
        };
        ASSERT_TRUE(waitFor([&] { return asSet(seen.last()) && !seen.last().stale; }));
        const size_t before = seen.count();
        board.failNextModemQueries(0, failures);
        ASSERT_TRUE(waitFor([&] { return seen.anyFrom(before, &LineState::stale) && !seen.last().stale; }))
            << failures << ": stale " << seen.last().stale;
        std::lock_guard lock(seen.mutex);
        for (size_t i = before; i < seen.states.size(); ++i) {
            const LineState& s = seen.states[i];
            EXPECT_TRUE(asSet(s)) << failures << ": state " << i << " CTS " << levelName(s.cts) << " RTS "
                                  << levelName(s.rts);
            EXPECT_FALSE(s.portGone);
        }
        EXPECT_TRUE(asSet(seen.states.back()));
    }
}
