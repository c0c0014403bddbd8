// Moving characters wakes a waiting thread only when its wait may be over,
// and still in time for everything the line carries to arrive.
#include "boardtesting.h"

#include <thread>

using namespace portio;
using namespace vboard;
using namespace vboardtest;

namespace {

// Letters only, so that no byte is taken for XON or XOFF.
std::vector<uint8_t> letters(size_t n)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = uint8_t('A' + i % 26);
    return v;
}

struct Transfer {
    std::vector<uint8_t> got;
    IoResult written;
};

// Port 0 writes `data` while port 1 reads it in one read with these limits.
Transfer transfer(VirtualBoard& board, const Dcb& sender, const Dcb& receiver, const CommTimeouts& limits,
    const std::vector<uint8_t>& data)
{
    auto a = openPort(board, 0);
    auto b = openPort(board, 1);
    EXPECT_FALSE(a->setState(sender));
    EXPECT_FALSE(b->setState(receiver));
    EXPECT_FALSE(b->setTimeouts(limits));
    EXPECT_FALSE(a->setTimeouts({ 0, 0, 0, 0, 10000 })); // a held writer fails instead of hanging
    Transfer t;
    t.got.resize(data.size());
    std::thread reader([&] { t.got.resize(b->read(t.got.data(), t.got.size()).count); });
    t.written = a->write(data.data(), data.size());
    reader.join();
    return t;
}

} // namespace

TEST(BoardWakeUps, WaitersWakeWhenTheirWaitMayBeOverNotAtEveryBatch)
{
    // 2048 characters at 115200 take 178 ms: about 90 batches of the engine.
    struct Case {
        const char* name;
        CommTimeouts limits;
        uint64_t readerWakeUps;
    };
    const Case cases[] = {
        { "no limits", { 0, 0, 0, 0, 0 }, 3 },
        { "total limit", { 0, 0, 5000, 0, 0 }, 3 },
        // Woken for the first byte, then once per gap limit at most.
        { "gap limit 50 ms", { 50, 0, 5000, 0, 0 }, 3 + 178 / 50 + 2 },
    };
    for (const auto& c : cases) {
        VirtualBoard board(pairs());
        const auto data = pattern(2048);
        const Transfer t = transfer(board, line(115200), line(115200), c.limits, data);
        EXPECT_TRUE(t.written.ok()) << c.name;
        EXPECT_EQ(t.got, data) << c.name;
        EXPECT_LE(board.readerWakeUps(1), c.readerWakeUps) << c.name;
        EXPECT_LE(board.writerWakeUps(0), 3u) << c.name;
    }
}

TEST(BoardWakeUps, FlowControlledReadLargerThanTheQueueGetsEveryByte)
{
    // The reader must be woken before flow control holds the sender, however
    // early the receiver's limit stops it.
    auto hardware = line(921600);
    hardware.fOutxCtsFlow = true;
    hardware.fRtsControl = RTS_CONTROL_HANDSHAKE;
    auto earlyHardware = hardware;
    earlyHardware.XoffLim = 4000; // stop when fewer than 4000 of 4096 are free
    auto softSender = line(921600);
    softSender.fOutX = true;
    auto softReceiver = line(921600);
    softReceiver.fInX = true;
    softReceiver.XoffLim = 4000;
    struct Case {
        const char* name;
        Dcb sender, receiver;
    };
    const Case cases[] = {
        { "RTS/CTS", hardware, hardware },
        { "RTS/CTS stopping early", earlyHardware, earlyHardware },
        { "XON/XOFF stopping early", softSender, softReceiver },
    };
    for (const auto& c : cases) {
        VirtualBoard board(pairs());
        const auto data = letters(12000);
        const Transfer t = transfer(board, c.sender, c.receiver, { 0, 0, 10000, 0, 0 }, data);
        EXPECT_TRUE(t.written.ok()) << c.name;
        ASSERT_EQ(t.got.size(), data.size()) << c.name;
        EXPECT_TRUE(t.got == data) << c.name;
    }
}

TEST(BoardWakeUps, FinishedWriteArrivesWholeThoughThePortClosesAtOnce)
{
    struct Case {
        uint32_t baud;
        size_t bytes;
    };
    for (const auto& c : { Case { 9600, 100 }, Case { 115200, 2000 }, Case { 921600, 4000 } }) {
        VirtualBoard board(pairs());
        auto a = openPort(board, 0);
        auto b = openPort(board, 1);
        ASSERT_FALSE(a->setState(line(c.baud)));
        ASSERT_FALSE(b->setState(line(c.baud)));
        const auto data = pattern(c.bytes);
        EXPECT_EQ(a->write(data.data(), data.size()).count, data.size()) << c.baud;
        a->close();
        EXPECT_EQ(b->clearCommError()->cbInQue, c.bytes) << c.baud;
        EXPECT_EQ(readBytes(*b, c.bytes), data) << c.baud;
    }
}
