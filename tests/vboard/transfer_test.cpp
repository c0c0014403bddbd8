#include "boardtesting.h"

#include "tests/support/waitfor.h"

#include <thread>

using namespace portio;
using namespace vboard;
using namespace vboardtest;

namespace {

BoardConfig wired(Wiring w, int ports = 4)
{
    BoardConfig c;
    c.ports = ports;
    c.wiring = w;
    return c;
}

} // namespace

TEST(BoardTransfer, LoopbackDeliversEveryByteInOrder)
{
    VirtualBoard board(wired(Wiring::Loopback));
    auto port = openPort(board, 1);
    ASSERT_FALSE(port->setState(line(921600)));
    const auto data = pattern(3000);
    std::vector<uint8_t> got;
    std::thread reader([&] { got = readBytes(*port, data.size()); });
    const auto w = port->write(data.data(), data.size());
    reader.join();
    EXPECT_TRUE(w.ok());
    EXPECT_EQ(w.count, data.size());
    EXPECT_EQ(got, data);
}

TEST(BoardTransfer, PairsCrossOverBothWays)
{
    VirtualBoard board(wired(Wiring::Pairs));
    auto a = openPort(board, 2);
    auto b = openPort(board, 3);
    for (auto* p : { a.get(), b.get() })
        ASSERT_FALSE(p->setState(line(921600)));
    const auto ab = pattern(2000);
    const std::vector<uint8_t> ba { 'p', 'o', 'n', 'g' };
    ASSERT_EQ(a->write(ab.data(), ab.size()).count, ab.size());
    ASSERT_EQ(b->write(ba.data(), ba.size()).count, ba.size());
    EXPECT_EQ(readBytes(*b, ab.size()), ab);
    EXPECT_EQ(readBytes(*a, ba.size()), ba);
    EXPECT_EQ(a->clearCommError()->cbInQue, 0u) << "nothing may loop back in pairs wiring";
}

TEST(BoardTransfer, OpenWiringSendsIntoNothing)
{
    VirtualBoard board(wired(Wiring::Open));
    auto port = openPort(board, 0);
    ASSERT_FALSE(port->setState(line(921600)));
    const auto data = pattern(100);
    EXPECT_EQ(port->write(data.data(), data.size()).count, data.size());
    EXPECT_EQ(port->clearCommError()->cbInQue, 0u);
    EXPECT_EQ(*port->modemStatus(), 0u);
}

TEST(BoardTransfer, SmallerDataBitsCutTheHighBits)
{
    VirtualBoard board(wired(Wiring::Loopback));
    auto port = openPort(board, 0);
    auto d = line(921600);
    d.ByteSize = 7;
    ASSERT_FALSE(port->setState(d));
    const uint8_t out[] = { 0xC1, 0x41 };
    ASSERT_EQ(port->write(out, 2).count, 2u);
    EXPECT_EQ(readBytes(*port, 2), (std::vector<uint8_t> { 0x41, 0x41 }));
}

TEST(BoardTiming, NineSixtyBytesAt9600TakeOneSecond)
{
    VirtualBoard board(wired(Wiring::Loopback));
    auto port = openPort(board, 0);
    ASSERT_FALSE(port->setState(line(9600)));
    const auto data = pattern(960);
    const auto start = std::chrono::steady_clock::now();
    const auto w = port->write(data.data(), data.size());
    const double took = seconds(std::chrono::steady_clock::now() - start);
    ASSERT_TRUE(w.ok());
    // 960 characters of 10 bits at 9600 baud: exactly one second of line time.
    EXPECT_GE(took, 0.99);
    EXPECT_LE(took, 1.0 + LateTolerance);
    EXPECT_EQ(readBytes(*port, data.size()), data);
}

TEST(BoardTiming, FramingSetsTheCharacterTime)
{
    // 7E2 at 1200: 1 + 7 + 1 + 2 = 11 bits, so 60 characters take 0.55 s.
    VirtualBoard board(wired(Wiring::Loopback));
    auto port = openPort(board, 0);
    auto d = line(1200);
    d.ByteSize = 7;
    d.Parity = EVENPARITY;
    d.StopBits = TWOSTOPBITS;
    ASSERT_FALSE(port->setState(d));
    const auto data = pattern(60);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(port->write(data.data(), data.size()).ok());
    const double took = seconds(std::chrono::steady_clock::now() - start);
    EXPECT_GE(took, 0.545);
    EXPECT_LE(took, 0.55 * (1.0 + LateTolerance) + 0.02);
}

namespace {

struct TimedWrite {
    IoResult result;
    uint32_t received = 0;
    uint32_t stillQueued = 0;
    double took = 0;
};

TimedWrite writeWithOneSecondLimit(uint32_t baud, size_t n)
{
    VirtualBoard board(wired(Wiring::Loopback));
    auto port = openPort(board, 0);
    EXPECT_FALSE(port->setState(line(baud)));
    EXPECT_FALSE(port->setupComm(16384, 4096)); // room for everything, so no reader is needed
    CommTimeouts t;
    t.WriteTotalTimeoutConstant = 1000;
    EXPECT_FALSE(port->setTimeouts(t));
    const auto data = pattern(n);
    TimedWrite tw;
    const auto start = std::chrono::steady_clock::now();
    tw.result = port->write(data.data(), data.size());
    tw.took = seconds(std::chrono::steady_clock::now() - start);
    // A finished write may leave its last characters in the transmitter.
    if (tw.result.ok()) EXPECT_TRUE(waitFor([&] { return port->clearCommError()->cbOutQue == 0; }));
    const auto stat = *port->clearCommError();
    tw.received = stat.cbInQue;
    tw.stillQueued = stat.cbOutQue;
    auto got = readBytes(*port, tw.received);
    got.resize(tw.received);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin())) << "a prefix of the data, unchanged";
    return tw;
}

} // namespace

TEST(BoardTiming, WriteTimeOutAt9600StopsAfterOneSecondOfLine)
{
    const auto tw = writeWithOneSecondLimit(9600, 10240);
    EXPECT_EQ(tw.result.error.code, ErrorCode::TimedOut);
    EXPECT_GE(tw.result.count, 955u);
    EXPECT_LE(tw.result.count, 960u);
    EXPECT_EQ(tw.received, tw.result.count) << "the count reports exactly what went out";
    EXPECT_EQ(tw.stillQueued, 0u) << "the unsent rest is dropped, nothing follows";
    EXPECT_GE(tw.took, 0.99);
    EXPECT_LE(tw.took, 1.0 + LateTolerance);
}

TEST(BoardTiming, SameWriteAt115200Completes)
{
    const auto tw = writeWithOneSecondLimit(115200, 10240);
    EXPECT_TRUE(tw.result.ok()) << tw.result.error.text;
    EXPECT_EQ(tw.result.count, 10240u);
    EXPECT_EQ(tw.received, 10240u);
}

TEST(BoardTransfer, TransmitCharOvertakesQueuedBytes)
{
    VirtualBoard board(wired(Wiring::Pairs));
    auto port = openPort(board, 0);
    auto far = openPort(board, 1);
    // RTS/CTS with the far end's RTS low holds the queue; the urgent byte still goes.
    auto f = line(115200);
    f.fRtsControl = RTS_CONTROL_DISABLE;
    ASSERT_FALSE(far->setState(f));
    auto d = line(115200);
    d.fOutxCtsFlow = true;
    d.fRtsControl = RTS_CONTROL_HANDSHAKE;
    ASSERT_FALSE(port->setState(d));
    const std::vector<uint8_t> data { 'A', 'B', 'C' };
    IoResult w;
    std::thread writer([&] { w = port->write(data.data(), data.size()); });
    ASSERT_TRUE(waitFor([&] { return port->clearCommError()->cbOutQue == 3; }));
    ASSERT_FALSE(port->transmitChar('!'));
    EXPECT_EQ(readBytes(*far, 1), std::vector<uint8_t> { '!' });
    ASSERT_FALSE(far->escape(EscapeFunction::SETRTS));
    writer.join();
    EXPECT_EQ(w.count, 3u);
    EXPECT_EQ(readBytes(*far, 3), data);
}
