#include "porthelpers.h"

#include "portio/posix/inputqueue.h"
#include "tests/support/waitfor.h"

#include <thread>

using namespace portio;
using namespace std::chrono_literals;

class PosixIo : public PtyPortTest { };

namespace {

CommTimeouts readReturnsAtOnce()
{
    CommTimeouts t;
    t.ReadIntervalTimeout = MAXDWORD;
    return t;
}

} // namespace

TEST(PosixIoFresh, AllByteValuesPassUnchangedBothWays)
{
    // Starts from the terminal settings a fresh pty has (echo, CR/LF
    // translation, XON/XOFF): the open must make the line transparent.
    PtyPair pty(PtyPair::Mode::AsCreated);
    auto port = openSlave(pty);
    ASSERT_TRUE(port);
    const std::string bytes = allByteValues();

    const IoResult w = port->write(bytes.data(), bytes.size());
    EXPECT_TRUE(w.ok()) << w.error.text;
    EXPECT_EQ(w.count, 256u);
    EXPECT_EQ(pty.readExactly(256), bytes);

    ASSERT_TRUE(pty.writeAll(bytes));
    std::string got(256, '\0');
    const IoResult r = port->read(got.data(), got.size()); // all-zero time-outs: waits for all 256
    EXPECT_TRUE(r.ok()) << r.error.text;
    EXPECT_EQ(r.count, 256u);
    EXPECT_EQ(got, bytes);
    EXPECT_EQ(pty.readAvailable(), ""); // nothing echoed back
}

TEST_F(PosixIo, ReadWithBytesWaitingReturnsThemAtOnce)
{
    CommTimeouts t;
    t.ReadIntervalTimeout = MAXDWORD;
    t.ReadTotalTimeoutConstant = 60'000; // the console's settings, with a long constant
    t.ReadTotalTimeoutMultiplier = MAXDWORD;
    ASSERT_FALSE(port->setTimeouts(t));
    ASSERT_TRUE(pty.writeAll("hello"));
    ASSERT_TRUE(waitFor([&] { return port->clearCommError()->cbInQue == 5; }));
    char buf[80];
    const auto start = std::chrono::steady_clock::now();
    const IoResult r = port->read(buf, sizeof buf);
    EXPECT_LT(msSince(start), 5000.0); // would be a minute if it waited
    EXPECT_EQ(std::string(buf, r.count), "hello");
}

TEST_F(PosixIo, IntervalMaxdwordAloneReturnsAtOnceEvenWithNothing)
{
    ASSERT_FALSE(port->setTimeouts(readReturnsAtOnce()));
    char buf[10];
    const IoResult r = port->read(buf, sizeof buf);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.count, 0u);
}

TEST_F(PosixIo, AllZeroReadTimeoutsWaitForTheFullCount)
{
    std::string got(6, '\0');
    IoResult r;
    std::atomic<bool> done { false };
    std::thread reader([&] {
        r = port->read(got.data(), got.size());
        done = true;
    });
    ASSERT_TRUE(pty.writeAll("abc"));
    // Half the bytes are in; the read is still waiting for the others.
    ASSERT_TRUE(waitFor([&] { return port->clearCommError()->cbInQue == 0; }));
    EXPECT_FALSE(done);
    ASSERT_TRUE(pty.writeAll("def"));
    reader.join();
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(got, "abcdef");
}

TEST_F(PosixIo, TotalReadTimeoutEndsWithWhatCame)
{
    CommTimeouts t;
    t.ReadTotalTimeoutConstant = 200;
    ASSERT_FALSE(port->setTimeouts(t));
    ASSERT_TRUE(pty.writeAll("xy"));
    char buf[10];
    const IoResult r = port->read(buf, sizeof buf);
    EXPECT_TRUE(r.ok()) << "a time-out ends a read without an error";
    EXPECT_EQ(std::string(buf, r.count), "xy");
}

TEST_F(PosixIo, UndrainedWriteEndsAtItsTimeoutWithAPartialCount)
{
    CommTimeouts t;
    t.WriteTotalTimeoutConstant = 300;
    ASSERT_FALSE(port->setTimeouts(t));
    const std::string block(1 << 20, 'A'); // far more than a pty holds
    const IoResult w = port->write(block.data(), block.size());
    EXPECT_EQ(w.error.code, ErrorCode::TimedOut) << w.error.text;
    EXPECT_GT(w.count, 0u);
    EXPECT_LT(w.count, block.size());
    // No more than the count ever arrives at the far end.
    const std::string arrived = pty.readExactly(w.count + 1, 1s);
    EXPECT_LE(arrived.size(), w.count);
}

TEST_F(PosixIo, LineSettingsRoundTrip)
{
    Dcb d;
    d.BaudRate = 57600;
    d.ByteSize = 7;
    d.Parity = MARKPARITY;
    d.fParity = true;
    d.StopBits = TWOSTOPBITS;
    d.fOutX = d.fInX = true;
    d.XonChar = 0x01;
    d.XoffChar = 0x02;
    d.fOutxCtsFlow = true;
    d.fRtsControl = RTS_CONTROL_HANDSHAKE;
    d.XonLim = d.XoffLim = 100;
    d.EvtChar = 0x7e;
    const Status s = port->setState(d);
    ASSERT_FALSE(s) << s.text;
    // What the tty has is reported: a pty always carries 8 bits without
    // parity, and keeps everything else.
    Dcb expected = d;
    expected.ByteSize = 8;
    expected.Parity = NOPARITY;
    auto back = port->getState();
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(*back, expected);

    d.BaudRate = 250000; // not a classic rate: BOTHER carries it
    d.StopBits = ONESTOPBIT;
    d.fOutX = d.fInX = d.fOutxCtsFlow = false;
    d.fRtsControl = RTS_CONTROL_ENABLE;
    ASSERT_FALSE(port->setState(d));
    expected = d;
    expected.ByteSize = 8;
    expected.Parity = NOPARITY;
    EXPECT_EQ(*port->getState(), expected);
}

TEST_F(PosixIo, RefusesSettingsTheDriverCannotCarryOut)
{
    const Dcb good = *port->getState();
    auto refused = [&](auto change) {
        Dcb d = good;
        change(d);
        return port->setState(d).code == ErrorCode::InvalidArgument;
    };
    EXPECT_TRUE(refused([](Dcb& d) { d.ByteSize = 9; }));
    EXPECT_TRUE(refused([](Dcb& d) { d.BaudRate = 0; }));
    EXPECT_TRUE(refused([](Dcb& d) { d.StopBits = ONE5STOPBITS; })); // with 8 data bits
    EXPECT_TRUE(refused([](Dcb& d) { d.fOutxDsrFlow = true, d.fDtrControl = DTR_CONTROL_HANDSHAKE; }));
    EXPECT_TRUE(refused([](Dcb& d) { d.Parity = 7; }));
    EXPECT_EQ(*port->getState(), good) << "a refused setting leaves the line as it was";
    Dcb five = good;
    five.ByteSize = 5;
    five.StopBits = ONE5STOPBITS;
    EXPECT_FALSE(port->setState(five));
}

TEST_F(PosixIo, PtyHasNoModemLinesOrDriverCodes)
{
    for (auto f : { EscapeFunction::SETRTS, EscapeFunction::CLRRTS, EscapeFunction::SETDTR, EscapeFunction::CLRDTR }) {
        const Status s = port->escape(f);
        EXPECT_EQ(s.code, ErrorCode::NotSupported);
        EXPECT_NE(s.text.find("Inappropriate ioctl"), std::string::npos) << s.text;
    }
    uint8_t in[3] = {}, out[1] = { 0x0d };
    EXPECT_EQ(port->deviceControl(IOCTL_SERIAL_SET_RTS, in, 3, out, 1).code, ErrorCode::NotSupported);
    EXPECT_EQ(port->deviceControl(IOCTL_SERIAL_CLR_DTR, in, 3, out, 1).code, ErrorCode::NotSupported);
    EXPECT_EQ(port->deviceControl(0x00222004, in, 3, out, 1).code, ErrorCode::NotSupported);
    EXPECT_EQ(port->modemStatus().error().code, ErrorCode::NotSupported);
    // No error counters either; that is no failure of clear-error.
    auto stat = port->clearCommError();
    ASSERT_TRUE(stat.ok());
    EXPECT_EQ(stat->errors, 0u);
}

TEST_F(PosixIo, TransmitCharKeepsOrderOnAPty)
{
    ASSERT_TRUE(port->write("ab", 2).ok());
    EXPECT_FALSE(port->transmitChar('Z'));
    EXPECT_FALSE(port->transmitChar(0x00));
    EXPECT_EQ(pty.readExactly(4), std::string("abZ\0", 4));
}

TEST_F(PosixIo, PurgeClearDropsWaitingInput)
{
    ASSERT_TRUE(pty.writeAll("stale"));
    ASSERT_TRUE(waitFor([&] { return port->clearCommError()->cbInQue == 5; }));
    EXPECT_FALSE(port->purge(PURGE_RXCLEAR | PURGE_TXCLEAR));
    EXPECT_EQ(port->clearCommError()->cbInQue, 0u);
    EXPECT_EQ(port->purge(0x10).code, ErrorCode::InvalidArgument);
}

// The port keeps the tty's part of the count for a moment while its own queue
// holds bytes; kept for an hour here, so that a count kept past a fill (whose
// bytes it then counts twice) shows.
TEST_F(PosixIo, CountKeptWhileOurQueueHoldsBytesNeverCountsAFillTwice)
{
    struct KeptForAnHour {
        KeptForAnHour() { InputQueue::setTtyCountReuseForTest(std::chrono::hours(1)); }
        ~KeptForAnHour() { InputQueue::setTtyCountReuseForTest(InputQueue::TtyCountReuse); }
    } kept;
    ASSERT_FALSE(port->setupComm(100, 100)); // a fill takes at most 100
    ASSERT_FALSE(port->setTimeouts(readReturnsAtOnce()));
    ASSERT_TRUE(pty.writeAll(std::string(250, 'q')));
    ASSERT_TRUE(waitFor([&] { return port->clearCommError()->cbInQue == 250; }));
    const struct {
        size_t read, got; // then the count
        uint32_t waiting;
    } steps[] = {
        { 80, 80, 170 }, // a fill of 100, 20 of them left, 150 in the tty
        { 20, 20, 150 }, // ours empty
        { 80, 80, 70 }, // the next fill: the 150 counted before are 50 and 20
        { 20, 20, 50 },
        { 80, 50, 0 },
    };
    char buf[80];
    for (const auto& s : steps) {
        EXPECT_EQ(port->read(buf, s.read).count, s.got);
        EXPECT_EQ(port->clearCommError()->cbInQue, s.waiting) << "after reading " << s.got;
    }
}
