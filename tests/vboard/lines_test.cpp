#include "boardtesting.h"

#include "tests/support/waitfor.h"

#include <atomic>
#include <thread>

using namespace portio;
using namespace vboard;
using namespace vboardtest;

namespace {

Status control(Port& p, uint32_t code)
{
    return p.deviceControl(code, nullptr, 0, nullptr, 0);
}

} // namespace

TEST(BoardFlow, RtsCtsHoldsTheWriterAndLosesNothing)
{
    VirtualBoard board(pairs());
    auto a = openPort(board, 0);
    auto b = openPort(board, 1);
    auto d = line(921600);
    d.fOutxCtsFlow = true;
    d.fRtsControl = RTS_CONTROL_HANDSHAKE;
    ASSERT_FALSE(a->setState(d));
    ASSERT_FALSE(b->setState(d));
    const auto data = pattern(20000);
    IoResult w;
    std::thread writer([&] { w = a->write(data.data(), data.size()); });
    // B does not read: its RTS drops and A's writer is held with bytes queued.
    ASSERT_TRUE(waitFor([&] { return !board.modemOutputs(1).rts; }));
    ASSERT_TRUE(waitFor([&] { return (*a->modemStatus() & MS_CTS_ON) == 0; }));
    EXPECT_GT(a->clearCommError()->cbOutQue, 0u);
    const auto got = readBytes(*b, data.size());
    writer.join();
    EXPECT_TRUE(w.ok());
    EXPECT_EQ(w.count, data.size());
    EXPECT_EQ(got, data);
    EXPECT_EQ(b->clearCommError()->errors & CE_RXOVER, 0u);
}

TEST(BoardFlow, WithoutFlowControlTheReceiverOverruns)
{
    VirtualBoard board(pairs());
    auto a = openPort(board, 0);
    auto b = openPort(board, 1);
    ASSERT_FALSE(a->setState(line(921600)));
    ASSERT_FALSE(b->setState(line(921600)));
    const auto data = pattern(6000);
    EXPECT_EQ(a->write(data.data(), data.size()).count, data.size());
    // The last characters may still be on the line when the write ends.
    ASSERT_TRUE(waitFor([&] { return b->lineCounters()->overrun == 6000u - 4096u; }));
    const auto stat = *b->clearCommError();
    EXPECT_EQ(stat.cbInQue, 4096u);
    EXPECT_NE(stat.errors & CE_RXOVER, 0u);
    EXPECT_EQ(b->clearCommError()->errors, 0u) << "clear-error clears the flags";
    EXPECT_EQ(readBytes(*b, 4096), std::vector<uint8_t>(data.begin(), data.begin() + 4096));
    // The counters keep every byte that found the queue full, and what a
    // test injects; clear-error leaves them alone.
    board.injectErrors(1, CE_FRAME | CE_BREAK);
    const auto counts = *b->lineCounters();
    EXPECT_EQ(counts.overrun, 6000u - 4096u);
    EXPECT_EQ(counts.bufferOverrun, 6000u - 4096u) << "all of them in the input queue";
    EXPECT_EQ(counts.framing, 1u);
    EXPECT_EQ(counts.brk, 1u);
    EXPECT_EQ(counts.parity, 0u);
}

TEST(BoardFlow, XoffFromTheFarEndHoldsTheWriter)
{
    VirtualBoard board(pairs());
    auto a = openPort(board, 0);
    auto b = openPort(board, 1);
    auto d = line(921600);
    d.fOutX = true;
    ASSERT_FALSE(a->setState(d));
    ASSERT_FALSE(b->setState(line(921600)));
    const uint8_t xoff = 0x13, xon = 0x11;
    // A short write may end while its last character is still queued, so A
    // is held only once B's queue is empty.
    ASSERT_EQ(b->write(&xoff, 1).count, 1u);
    ASSERT_TRUE(waitFor([&] { return b->clearCommError()->cbOutQue == 0; }));
    const auto data = pattern(10);
    IoResult w;
    std::thread writer([&] { w = a->write(data.data(), data.size()); });
    const bool held = waitFor([&] { return a->clearCommError()->cbOutQue == 10; });
    // XON releases the writer whatever happened, so the thread always ends.
    EXPECT_EQ(b->write(&xon, 1).count, 1u);
    writer.join();
    ASSERT_TRUE(held) << "A sent while XOFF held it";
    EXPECT_EQ(w.count, data.size());
    EXPECT_EQ(readBytes(*b, 10), data);
    EXPECT_EQ(a->clearCommError()->cbInQue, 0u) << "XON and XOFF are not stored";
}

TEST(BoardModemLines, PairsCarryRtsAndDtrToTheFarEnd)
{
    VirtualBoard board(pairs());
    auto a = openPort(board, 2);
    auto b = openPort(board, 3);
    ASSERT_FALSE(control(*a, IOCTL_SERIAL_CLR_RTS));
    ASSERT_FALSE(control(*a, IOCTL_SERIAL_CLR_DTR));
    EXPECT_EQ(*b->modemStatus(), 0u);
    ASSERT_FALSE(control(*a, IOCTL_SERIAL_SET_RTS));
    EXPECT_EQ(*b->modemStatus(), MS_CTS_ON);
    ASSERT_FALSE(control(*a, IOCTL_SERIAL_SET_DTR));
    EXPECT_EQ(*b->modemStatus(), MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON);
    ASSERT_FALSE(control(*a, IOCTL_SERIAL_CLR_RTS));
    EXPECT_EQ(*b->modemStatus(), MS_DSR_ON | MS_RLSD_ON);
    EXPECT_EQ(*a->modemStatus(), MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON) << "B's own outputs are up";
    a->close();
    EXPECT_EQ(*b->modemStatus(), 0u) << "a closed port drops its outputs";
}

TEST(BoardModemLines, LoopbackFeedsAPortItsOwnLines)
{
    VirtualBoard board;
    auto p = openPort(board, 95);
    EXPECT_EQ(*p->modemStatus(), MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON);
    ASSERT_FALSE(control(*p, IOCTL_SERIAL_CLR_DTR));
    EXPECT_EQ(*p->modemStatus(), MS_CTS_ON);
    ASSERT_FALSE(control(*p, IOCTL_SERIAL_CLR_RTS));
    EXPECT_EQ(*p->modemStatus(), 0u);
    EXPECT_FALSE(board.modemOutputs(95).rts);
}

TEST(BoardSettings, RefusedSettingsLeaveThePortUnchanged)
{
    VirtualBoard board;
    auto p = openPort(board, 0);
    const Dcb before = *p->getState();
    auto bad = [&](auto change) {
        Dcb d = before;
        change(d);
        const auto e = p->setState(d);
        EXPECT_EQ(e.code, ErrorCode::InvalidArgument) << e.text;
        EXPECT_EQ(*p->getState(), before);
    };
    bad([](Dcb& d) { d.BaudRate = 0; });
    bad([](Dcb& d) { d.BaudRate = 0x80000000u; });
    bad([](Dcb& d) { d.BaudRate = 921601; });
    bad([](Dcb& d) { d.ByteSize = 4; });
    bad([](Dcb& d) { d.ByteSize = 9; });
    bad([](Dcb& d) { d.Parity = 5; });
    bad([](Dcb& d) { d.StopBits = 3; });
    Dcb good = before;
    good.BaudRate = 921600;
    good.ByteSize = 5;
    good.StopBits = ONE5STOPBITS;
    EXPECT_FALSE(p->setState(good));
    EXPECT_EQ(board.dcb(0), good);
}

TEST(BoardFaults, SecondOpenIsBusyAndInjectedOpenFailureFailsOnce)
{
    VirtualBoard board;
    auto p = openPort(board, 4);
    EXPECT_EQ(board.open(4, Access::ReadWrite).error().code, ErrorCode::Busy);
    p->close();
    board.failNextOpens(4);
    EXPECT_FALSE(board.open(4, Access::ReadWrite).ok());
    EXPECT_TRUE(board.open(4, Access::ReadWrite).ok());
    EXPECT_EQ(board.open(96, Access::ReadWrite).error().code, ErrorCode::NotFound);
}

TEST(BoardFaults, UnplugEndsWaitersWithDeviceGoneUntilReplugged)
{
    VirtualBoard board;
    auto p = openPort(board, 7);
    ASSERT_FALSE(p->setCommMask(EV_RXCHAR));
    IoResult readResult;
    Result<uint32_t> event = uint32_t(0);
    std::thread reader([&] {
        uint8_t buf[4];
        readResult = p->read(buf, sizeof buf); // no time-outs: waits for ever
    });
    std::thread waiter([&] { event = p->waitCommEvent(); });
    // Whether they are already blocked or not, both calls must end the same way.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    board.unplug(7);
    reader.join();
    waiter.join();
    EXPECT_EQ(readResult.error.code, ErrorCode::DeviceGone);
    EXPECT_EQ(event.error().code, ErrorCode::DeviceGone);
    EXPECT_EQ(p->write("x", 1).error.code, ErrorCode::DeviceGone);
    EXPECT_EQ(board.open(7, Access::ReadWrite).error().code, ErrorCode::NotFound);
    board.replug(7);
    auto again = board.open(7, Access::ReadWrite);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(p->modemStatus().error().code, ErrorCode::DeviceGone) << "the old handle stays dead";
}

TEST(BoardFaults, CloseMaskAndPurgeReleaseBlockedCalls)
{
    VirtualBoard board;
    auto p = openPort(board, 0);
    ASSERT_FALSE(p->setCommMask(EV_RXCHAR));
    Result<uint32_t> event = uint32_t(99);
    std::thread waiter([&] { event = p->waitCommEvent(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // usually blocked by now; either way it must end
    ASSERT_FALSE(p->setCommMask(0));
    waiter.join();
    EXPECT_TRUE(event.ok());
    EXPECT_EQ(*event, 0u);

    IoResult r1;
    std::atomic<bool> ended { false };
    std::thread reader([&] {
        uint8_t buf[4];
        r1 = p->read(buf, sizeof buf);
        ended = true;
    });
    // A purge before the read starts cannot end it, so purge until it has.
    ASSERT_TRUE(waitFor([&] {
        p->purge(PURGE_RXABORT);
        return ended.load();
    }));
    reader.join();
    EXPECT_EQ(r1.error.code, ErrorCode::Aborted);

    IoResult r2;
    std::thread reader2([&] {
        uint8_t buf[4];
        r2 = p->read(buf, sizeof buf);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    p->close(); // returns only once the reader has left
    reader2.join();
    EXPECT_EQ(r2.error.code, ErrorCode::Aborted);
    EXPECT_TRUE(board.open(0, Access::ReadWrite).ok());
}

TEST(BoardFaults, InjectedBytesAndErrorsShowAtTheReceiver)
{
    VirtualBoard board;
    auto p = openPort(board, 0);
    board.injectReceived(0, "hi", 2);
    board.injectErrors(0, CE_FRAME | CE_BREAK);
    const auto s = *p->clearCommError();
    EXPECT_EQ(s.errors, CE_FRAME | CE_BREAK);
    EXPECT_EQ(s.cbInQue, 2u);
    EXPECT_EQ(readBytes(*p, 2), (std::vector<uint8_t> { 'h', 'i' }));
}

TEST(BoardFlow, OpeningTheFarEndReleasesAWriterWaitingForCts)
{
    VirtualBoard board(pairs());
    auto a = openPort(board, 0);
    auto d = line(921600);
    d.fOutxCtsFlow = true;
    ASSERT_FALSE(a->setState(d));
    const auto data = pattern(10);
    IoResult w;
    std::thread writer([&] { w = a->write(data.data(), data.size()); });
    ASSERT_TRUE(waitFor([&] { return a->clearCommError()->cbOutQue == 10; })) << "held: nobody raises CTS";
    auto b = openPort(board, 1);
    writer.join();
    EXPECT_EQ(w.count, 10u);
    EXPECT_EQ(readBytes(*b, 10), data);
}

TEST(BoardFlow, XonXoffBetweenTwoPortsLosesNothing)
{
    VirtualBoard board(pairs());
    auto a = openPort(board, 0);
    auto b = openPort(board, 1);
    auto d = line(921600);
    d.fOutX = true;
    d.fInX = true;
    ASSERT_FALSE(a->setState(d));
    ASSERT_FALSE(b->setState(d));
    std::vector<uint8_t> text(20000);
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = uint8_t('a' + i % 26); // no XON or XOFF among the data
    IoResult w;
    std::thread writer([&] { w = a->write(text.data(), text.size()); });
    // B does not read until it has sent XOFF (at three quarters full).
    ASSERT_TRUE(waitFor([&] { return b->clearCommError()->cbInQue >= 3072; }));
    const auto got = readBytes(*b, text.size());
    writer.join();
    EXPECT_EQ(w.count, text.size());
    EXPECT_EQ(got, text);
    EXPECT_EQ(b->clearCommError()->errors & CE_RXOVER, 0u);
}
