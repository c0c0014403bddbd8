// The RFC 2217 client against servers that misbehave in a known way (a
// scripted Telnet server on 127.0.0.1), the rfc2217:// targets, and the Telnet
// byte level.
#include "portio/devicenamespace.h"
#include "portio/rfc2217/rfc2217codes.h"
#include "portio/rfc2217/telnetcodec.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace portio;

namespace {

// Answers the client's COM-PORT requests as `answer` says; an empty answer is none.
class ScriptedServer {
public:
    using Answer = std::function<std::string(uint8_t code, const std::string& value)>;
    // Stall: offers the option and answers, but stops reading once data comes.
    enum class Start { OfferComPort, RefuseComPort, HangUp, Stall };

    // `notices` go out once, ahead of the first answers.
    ScriptedServer(Start start, Answer answer, std::string notices = {})
        : m_start(start)
        , m_answer(std::move(answer))
        , m_notices(std::move(notices))
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(m_listen, 1);
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~ScriptedServer()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_listen);
    }
    std::string target() const { return "rfc2217://127.0.0.1:" + std::to_string(m_port); }
    // Data sent in the same piece as the answer to a purge, before and after it.
    ScriptedServer& aroundPurge(std::string before, std::string after)
    {
        m_beforePurge = std::move(before);
        m_afterPurge = std::move(after);
        return *this;
    }

private:
    bool readable(int fd)
    {
        pollfd p { fd, POLLIN, 0 };
        while (!m_stop)
            if (::poll(&p, 1, 20) > 0) return true;
        return false;
    }

    std::string reply(const telnet::Decoded& d)
    {
        std::string out;
        for (auto n : d.negotiations) {
            const bool comPort = n.option == rfc2217::COM_PORT_OPTION;
            const bool yes = !comPort || m_start != Start::RefuseComPort;
            if (n.verb == telnet::WILL) out += telnet::negotiation(yes ? telnet::DO : telnet::DONT, n.option);
            if (n.verb == telnet::DO) out += telnet::negotiation(telnet::WILL, n.option);
        }
        if (!d.subnegotiations.empty()) out += std::exchange(m_notices, {});
        for (const auto& sub : d.subnegotiations) {
            const std::string a = m_answer(uint8_t(sub[1]), sub.substr(2));
            const bool purge = uint8_t(sub[1]) == rfc2217::PURGE_DATA;
            if (purge) out += m_beforePurge;
            if (!a.empty())
                out += telnet::subnegotiation(rfc2217::COM_PORT_OPTION, std::string(1, char(sub[1] + 100)) + a);
            if (purge) out += m_afterPurge;
        }
        return out;
    }

    void serve()
    {
        while (readable(m_listen))
            if (const int c = ::accept(m_listen, nullptr, nullptr); c >= 0) session(c);
    }

    void session(int c)
    {
        telnet::Decoder decoder;
        uint8_t buf[4096];
        ssize_t r;
        // A hang-up reads the client's first request, so the close is an orderly one.
        if (m_start == Start::HangUp && readable(c)) {
            (void)::recv(c, buf, sizeof buf, 0);
            (void)::send(c, "Port already in use\r\n", 21, MSG_NOSIGNAL);
        }
        while (m_start != Start::HangUp && readable(c) && (r = ::recv(c, buf, sizeof buf, 0)) > 0) {
            telnet::Decoded d;
            decoder.feed(buf, size_t(r), d);
            const std::string out = reply(d);
            (void)::send(c, out.data(), out.size(), MSG_NOSIGNAL);
            if (m_start == Start::Stall && !d.data.empty())
                while (!m_stop)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ::close(c);
    }

    Start m_start;
    Answer m_answer;
    std::string m_notices;
    std::string m_beforePurge, m_afterPurge; // set before the client connects
    int m_listen = -1;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop { false };
    std::thread m_thread;
};

std::string echo(uint8_t, const std::string& value)
{
    return value;
}

Result<PortPtr> openAt(const std::string& target)
{
    DeviceNamespace ns;
    if (auto e = ns.define("COM20", target)) return e;
    return ns.open("COM20", Access::ReadWrite);
}

TEST(Rfc2217Server, RefusalsAndHangUpsGiveTheErrorWithAClearText)
{
    const std::string nineSixHundred { 0, 0, char(0x25), char(0x80) };
    struct Case {
        const char* name;
        ScriptedServer::Start start;
        ScriptedServer::Answer answer;
        bool opens;
        ErrorCode code;
        const char* text;
    };
    const Case cases[] = {
        { "no COM-PORT option", ScriptedServer::Start::RefuseComPort, echo, false, ErrorCode::NotSupported,
            "does not offer a serial port" },
        { "hang-up", ScriptedServer::Start::HangUp, echo, false, ErrorCode::DeviceGone,
            "(it said \"Port already in use\")" },
        { "other baud rate", ScriptedServer::Start::OfferComPort,
            [&](uint8_t code, const std::string& v) { return code == rfc2217::SET_BAUDRATE ? nineSixHundred : v; },
            true, ErrorCode::InvalidArgument, "refused the baud rate 115200 (it answered 9600)" },
        { "silent on parity", ScriptedServer::Start::OfferComPort,
            [](uint8_t code, const std::string& v) {
                return code == rfc2217::SET_PARITY && v[0] != 0 ? std::string() : v;
            },
            true, ErrorCode::InvalidArgument, "did not carry out parity even (no answer)" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(c.start, c.answer);
        auto port = openAt(server.target());
        Status s = port ? Status {} : port.error();
        ASSERT_EQ(port.ok(), c.opens) << s.text;
        if (port) {
            Dcb d;
            d.BaudRate = 115200;
            d.Parity = EVENPARITY;
            s = (*port)->setState(d);
        }
        EXPECT_EQ(s.code, c.code) << s.text;
        EXPECT_NE(s.text.find(c.text), std::string::npos) << s.text;
        EXPECT_NE(s.text.find("127.0.0.1:"), std::string::npos) << s.text;
    }
}

// The port's time-out rules hold over the network as they do on a local port.
TEST(Rfc2217Server, ReadAndWriteTimeOutsFollowThePortsRules)
{
    using namespace std::chrono;
    ScriptedServer server(ScriptedServer::Start::Stall, echo);
    auto port = openAt(server.target());
    ASSERT_TRUE(port) << port.error().text;
    struct Case {
        CommTimeouts t;
        milliseconds atLeast, below;
    };
    const Case cases[] = {
        { { MAXDWORD, 0, 0, 0, 0 }, 0ms, 2000ms }, // returns at once with what waits
        { { 0, 0, 300, 0, 0 }, 300ms, 2000ms }, // total constant
        { { 0, 10, 100, 0, 0 }, 100ms + 16 * 10ms, 2000ms }, // multiplier x bytes + constant
    };
    char buffer[16];
    for (const Case& c : cases) {
        ASSERT_FALSE((*port)->setTimeouts(c.t));
        const auto start = steady_clock::now();
        const IoResult r = (*port)->read(buffer, sizeof buffer);
        const auto took = steady_clock::now() - start;
        EXPECT_TRUE(r.ok()) << r.error.text;
        EXPECT_EQ(r.count, 0u);
        EXPECT_GE(took, c.atLeast);
        EXPECT_LT(took, c.below);
    }
    // The server stops reading: the write ends at its limit with what went out.
    ASSERT_FALSE((*port)->setTimeouts({ 0, 0, 0, 0, 300 }));
    const std::string big(32 << 20, '\xff');
    const IoResult w = (*port)->write(big.data(), big.size());
    EXPECT_EQ(w.error.code, ErrorCode::TimedOut) << w.error.text;
    EXPECT_LT(w.count, big.size());
    EXPECT_NE(w.error.text.find("after " + std::to_string(w.count) + " of"), std::string::npos) << w.error.text;
}

TEST(Rfc2217Server, ModemAndLineStateNoticesBecomeModemLinesAndLineErrors)
{
    const auto notice = [](uint8_t code, uint8_t v) {
        return telnet::subnegotiation(rfc2217::COM_PORT_OPTION, { char(code + 100), char(v) });
    };
    // DCD, DSR and CTS with delta bits; break, framing and overrun with data-ready.
    ScriptedServer server(ScriptedServer::Start::OfferComPort, echo,
        notice(rfc2217::NOTIFY_MODEMSTATE, 0xB3) + notice(rfc2217::NOTIFY_LINESTATE, 0x1B));
    auto port = openAt(server.target());
    ASSERT_TRUE(port) << port.error().text;
    EXPECT_EQ(*(*port)->modemStatus(), MS_RLSD_ON | MS_DSR_ON | MS_CTS_ON);
    EXPECT_EQ((*port)->clearCommError()->errors, CE_BREAK | CE_FRAME | CE_OVERRUN);
    EXPECT_EQ((*port)->clearCommError()->errors, 0u); // cleared by the call before
}

// What the server sent before it emptied its buffer is gone, even when it
// arrives after the local queue was cleared; what came after it is kept.
TEST(Rfc2217Server, APurgeOfReceivedDataDropsWhatCameBeforeTheServersAnswer)
{
    ScriptedServer server(ScriptedServer::Start::OfferComPort, echo);
    server.aroundPurge("stale", "fresh");
    auto port = openAt(server.target());
    ASSERT_TRUE(port) << port.error().text;
    ASSERT_FALSE((*port)->purge(PURGE_RXCLEAR));
    CommTimeouts t {};
    t.ReadTotalTimeoutConstant = 2000;
    ASSERT_FALSE((*port)->setTimeouts(t));
    char buf[16] = {};
    const IoResult r = (*port)->read(buf, 5);
    EXPECT_EQ(std::string(buf, r.count), "fresh");
}

TEST(Rfc2217Server, TargetsAreCheckedWhenDefinedAndConnectedOnlyWhenOpened)
{
    DeviceNamespace ns;
    for (const char* good : { "rfc2217://127.0.0.1:4000", "RFC2217://localhost:1", "rfc2217://[::1]:65535" })
        EXPECT_FALSE(ns.define("COM20", good)) << good;
    for (const char* bad : { "rfc2217://127.0.0.1", "rfc2217://127.0.0.1:0", "rfc2217://127.0.0.1:65536",
             "rfc2217://:4000", "rfc2217://::1:4000", "rfc2217://host:12ab", "rfc2217://a b:1" })
        EXPECT_EQ(ns.define("COM20", bad).code, ErrorCode::InvalidArgument) << bad;

    uint16_t closedPort;
    {
        ScriptedServer gone(ScriptedServer::Start::HangUp, echo);
        closedPort = uint16_t(std::stoi(gone.target().substr(gone.target().rfind(':') + 1)));
    }
    auto port = openAt("rfc2217://127.0.0.1:" + std::to_string(closedPort));
    ASSERT_FALSE(port);
    EXPECT_EQ(port.error().code, ErrorCode::NotFound) << port.error().text;
    EXPECT_NE(port.error().text.find("nothing accepts connections"), std::string::npos) << port.error().text;
}

// Every byte value survives escaping and decoding, whole or cut at any byte,
// with and without the BINARY option; commands in between are found.
TEST(TelnetCodec, DataAndCommandsSurviveAnySplit)
{
    std::string data;
    for (int i = 0; i < 256; ++i)
        data += char(i);
    data += "\r\r\n\xff\xff";
    for (bool binary : { true, false }) {
        SCOPED_TRACE(binary);
        std::string wire = telnet::negotiation(telnet::WILL, 44);
        telnet::appendEscaped(wire, reinterpret_cast<const uint8_t*>(data.data()), data.size(), binary);
        wire += telnet::subnegotiation(44, std::string("\x65\xff\x00\xff", 4));
        telnet::appendEscaped(wire, reinterpret_cast<const uint8_t*>(data.data()), data.size(), binary);
        for (size_t cut : { size_t(0), size_t(1), size_t(3), wire.size() / 2, wire.size() - 1 }) {
            telnet::Decoder decoder;
            decoder.setBinary(binary);
            telnet::Decoded d;
            const auto* p = reinterpret_cast<const uint8_t*>(wire.data());
            decoder.feed(p, cut, d);
            decoder.feed(p + cut, wire.size() - cut, d);
            EXPECT_EQ(d.data, data + data) << "cut at " << cut;
            ASSERT_EQ(d.negotiations.size(), 1u);
            EXPECT_EQ(d.negotiations[0].option, 44);
            ASSERT_EQ(d.subnegotiations.size(), 1u);
            EXPECT_EQ(d.subnegotiations[0], std::string("\x2c\x65\xff\x00\xff", 5));
        }
    }
}

// A subnegotiation that goes on and on is cut at the limit, and what follows
// its end is read as usual.
TEST(TelnetCodec, AnEndlessSubnegotiationIsCutAtTheLimit)
{
    const std::string wire = telnet::subnegotiation(44, std::string(1 << 20, 'x')) + "after";
    telnet::Decoder decoder;
    telnet::Decoded d;
    decoder.feed(reinterpret_cast<const uint8_t*>(wire.data()), wire.size(), d);
    ASSERT_EQ(d.subnegotiations.size(), 1u);
    EXPECT_EQ(d.subnegotiations[0].size(), telnet::Decoder::kMaxSubnegotiation);
    EXPECT_EQ(d.data, "after");
}

// The peer's WILL BINARY switches off the CR NUL rule from the next byte on,
// inside the same piece.
TEST(TelnetCodec, BinaryTakesEffectWhereThePeerAgreesToIt)
{
    const std::string wire = std::string("\r\0", 2) + telnet::negotiation(telnet::WILL, telnet::OPT_BINARY)
        + std::string("\r\0", 2) + telnet::negotiation(telnet::WONT, telnet::OPT_BINARY) + std::string("\r\0", 2);
    telnet::Decoder decoder;
    telnet::Decoded d;
    decoder.feed(reinterpret_cast<const uint8_t*>(wire.data()), wire.size(), d);
    EXPECT_EQ(d.data, std::string("\r\r\0\r", 4));
}

} // namespace
