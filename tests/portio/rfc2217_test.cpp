// The RFC 2217 client against a real ser2net with a pseudo-terminal behind
// it: the test is the peer on the pty's far end.
#include "porthelpers.h"

#include "portio/devicenamespace.h"
#include "portio/iorequest.h"
#include "portio/posix/termios2.h"
#include "tests/support/ser2netserver.h"
#include "tests/support/waitfor.h"

#include <future>
#include <memory>

using namespace portio;
using namespace std::chrono_literals;
using namespace std::string_literals;

namespace {

CommTimeouts readAllWithin(uint32_t ms)
{
    CommTimeouts t;
    t.ReadTotalTimeoutConstant = ms;
    return t;
}

// Every byte value, runs of 0xFF, and data that looks like Telnet commands.
std::string trickyBytes(size_t size)
{
    const std::string telnetLike = "\xff\xff\xff\r\n\r\0\r\xff\xfa\x2c\x01\xff\xf0\xff\xfb\x00"s;
    std::string s;
    while (s.size() < size)
        s += allByteValues() + telnetLike;
    s.resize(size);
    return s;
}

size_t firstDifference(const std::string& a, const std::string& b)
{
    const auto m = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    return size_t(m.first - a.begin());
}

class Rfc2217Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (Ser2netServer::program().empty())
            GTEST_SKIP() << "ser2net is not installed (./scripts/bootstrap installs it)";
        server = std::make_unique<Ser2netServer>(pty.slavePath());
        ASSERT_FALSE(ns.define("COM20", server->target()));
        auto opened = ns.open("\\\\.\\COM20", Access::ReadWrite);
        ASSERT_TRUE(opened) << opened.error().text;
        port = std::move(*opened);
        ASSERT_FALSE(port->setTimeouts(readAllWithin(10000)));
    }

    Dcb ttySettings() const { return *tty::readDcb(pty.slaveFd(), Dcb {}); }

    PtyPair pty;
    DeviceNamespace ns;
    std::unique_ptr<Ser2netServer> server;
    PortPtr port;
};

TEST_F(Rfc2217Test, DataCrossesByteExactInBothDirections)
{
    const std::string data = trickyBytes(96 * 1024);
    auto sent = std::async(std::launch::async, [&] { return port->write(data.data(), data.size()); });
    const std::string atTty = pty.readExactly(data.size(), 20s);
    const IoResult w = sent.get();
    EXPECT_TRUE(w.ok()) << w.error.text;
    EXPECT_EQ(w.count, data.size());
    ASSERT_EQ(atTty.size(), data.size());
    EXPECT_EQ(firstDifference(atTty, data), data.size());

    auto fed = std::async(std::launch::async, [&] { return pty.writeAll(data, 20s); });
    std::string atPort(data.size(), '\0');
    const IoResult r = port->read(atPort.data(), atPort.size());
    EXPECT_TRUE(fed.get());
    EXPECT_TRUE(r.ok()) << r.error.text;
    ASSERT_EQ(r.count, data.size());
    EXPECT_EQ(firstDifference(atPort, data), data.size());
}

TEST_F(Rfc2217Test, LineSettingsReachTheTtyBehindTheServer)
{
    struct Case {
        uint32_t baud;
        uint8_t byteSize, parity, stopBits;
        bool rtsCts;
    };
    const Case cases[] = {
        { 19200, 8, NOPARITY, ONESTOPBIT, false },
        { 12345, 7, EVENPARITY, TWOSTOPBITS, false },
        { 300, 6, ODDPARITY, ONESTOPBIT, false },
        { 57600, 8, MARKPARITY, ONESTOPBIT, true },
        { 2400, 8, SPACEPARITY, TWOSTOPBITS, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.baud);
        Dcb d;
        d.BaudRate = c.baud;
        d.ByteSize = c.byteSize;
        d.Parity = c.parity;
        d.StopBits = c.stopBits;
        d.fOutxCtsFlow = c.rtsCts;
        d.fRtsControl = c.rtsCts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
        const Status s = port->setState(d);
        ASSERT_FALSE(s) << s.text;
        // A pty keeps rate, stop bits and RTS/CTS, but always says 8 data
        // bits without parity; those two the server's answers confirm.
        const Dcb seen = ttySettings();
        EXPECT_EQ(seen.BaudRate, c.baud);
        EXPECT_EQ(seen.StopBits, c.stopBits);
        EXPECT_EQ(seen.fOutxCtsFlow, c.rtsCts);
        auto state = port->getState();
        ASSERT_TRUE(state);
        EXPECT_EQ(state->BaudRate, c.baud);
        EXPECT_EQ(state->ByteSize, c.byteSize);
        EXPECT_EQ(state->Parity, c.parity);
    }
}

// A pty has no modem lines, so the server cannot confirm RTS or DTR, and
// reports every modem input low; a break it does carry out.
TEST_F(Rfc2217Test, ModemLinesThatAPtyCannotCarryAreReportedAsNotSupported)
{
    for (auto [f, what] :
        { std::pair { EscapeFunction::SETRTS, "raising RTS" }, std::pair { EscapeFunction::CLRDTR, "dropping DTR" } }) {
        const Status s = port->escape(f);
        EXPECT_EQ(s.code, ErrorCode::NotSupported) << s.text;
        EXPECT_NE(s.text.find(what), std::string::npos) << s.text;
    }
    EXPECT_FALSE(port->escape(EscapeFunction::SETBREAK));
    EXPECT_FALSE(port->escape(EscapeFunction::CLRBREAK));
    ASSERT_TRUE(waitFor([&] { return port->modemStatus().ok(); }));
    EXPECT_EQ(*port->modemStatus(), 0u);
}

// ser2net serves one client at a time: a second one is told why, and once
// the first has closed, the next open gets through although the server needs
// a moment to let the old connection go.
TEST_F(Rfc2217Test, ASecondClientHearsWhyAndTheNextOneGetsThrough)
{
    auto second = ns.open("COM20", Access::ReadWrite);
    ASSERT_FALSE(second);
    EXPECT_EQ(second.error().code, ErrorCode::DeviceGone);
    EXPECT_NE(second.error().text.find("it said \"Port already in use\""), std::string::npos) << second.error().text;
    port->close();
    auto next = ns.open("COM20", Access::ReadWrite);
    ASSERT_TRUE(next) << next.error().text;
    ASSERT_FALSE((*next)->setTimeouts(readAllWithin(5000)));
    ASSERT_TRUE(pty.writeAll("\xff\xfe"));
    char got[2] = {};
    EXPECT_EQ((*next)->read(got, 2).count, 2u);
    EXPECT_EQ(std::string(got, 2), "\xff\xfe");
}

TEST_F(Rfc2217Test, ServerKilledMidTransferEndsPendingCallsWithTheError)
{
    ASSERT_FALSE(port->setTimeouts(CommTimeouts {})); // reads wait for every byte asked for
    std::string buffer(1 << 20, '\0');
    IoRequest read;
    ASSERT_FALSE(read.startRead(*port, buffer.data(), buffer.size()));
    ASSERT_TRUE(pty.writeAll("partial"));
    // A write the far end never drains, so it is still going when the server dies.
    const std::string big(8 << 20, 'x');
    auto write = std::async(std::launch::async, [&] { return port->write(big.data(), big.size()); });
    // Most of the write is still with the port, not in the socket: the outgoing count includes it.
    uint32_t outgoing = 0;
    if (!waitFor([&] { return (outgoing = port->clearCommError()->cbOutQue) > (4u << 20); })) {
        port->close(); // ends the write, which would block the test's end
        FAIL() << "the outgoing count stayed at " << outgoing;
    }
    server->kill();

    ASSERT_TRUE(read.wait(5s)) << "the read did not end";
    EXPECT_EQ(read.result().error.code, ErrorCode::DeviceGone) << read.result().error.text;
    EXPECT_EQ(read.result().count, 7u);
    EXPECT_NE(read.result().error.text.find(std::to_string(server->port())), std::string::npos);
    if (write.wait_for(5s) != std::future_status::ready) {
        port->close();
        FAIL() << "the write did not end";
    }
    const IoResult w = write.get();
    EXPECT_EQ(w.error.code, ErrorCode::DeviceGone) << w.error.text;
    EXPECT_LT(w.count, big.size());
    EXPECT_EQ(port->write("y", 1).error.code, ErrorCode::DeviceGone);
}

} // namespace
