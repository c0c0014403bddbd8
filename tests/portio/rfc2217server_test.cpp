// The RFC 2217 client against servers that misbehave in a known way (a
// scripted Telnet server on 127.0.0.1), the rfc2217:// targets, and the Telnet
// byte level.
#include "portio/devicenamespace.h"
#include "portio/rfc2217/rfc2217codes.h"
#include "portio/rfc2217/telnetcodec.h"
#include "tests/support/scriptedserver.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace portio;

namespace {

using namespace std::chrono_literals;
constexpr auto echo = ScriptedServer::echo;

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

// The DTR and RTS levels of a setting are sent without waiting for their
// answers; a server that answers them only with its answer to the next
// request, behind it or ahead of it, must not have them taken for that answer.
TEST(Rfc2217Server, AnswersFindTheirOwnRequestWhenTheyComeLateAndOutOfOrder)
{
    for (auto where : { ScriptedServer::Late::AfterNext, ScriptedServer::Late::BeforeNext }) {
        SCOPED_TRACE(where == ScriptedServer::Late::AfterNext ? "after the next answer" : "ahead of the next answer");
        ScriptedServer server(ScriptedServer::Start::OfferComPort, echo);
        server.holdBack(
            [n = 0](uint8_t code, const std::string& v) mutable {
                const bool line
                    = code == rfc2217::SET_CONTROL && (v[0] == rfc2217::DTR_OFF || v[0] == rfc2217::RTS_OFF);
                return line && n++ < 2;
            },
            where);
        auto port = openAt(server.target());
        ASSERT_TRUE(port) << port.error().text;
        Dcb d;
        d.fDtrControl = DTR_CONTROL_DISABLE;
        d.fRtsControl = RTS_CONTROL_DISABLE;
        ASSERT_FALSE((*port)->setState(d));
        for (auto f :
            { EscapeFunction::SETDTR, EscapeFunction::SETRTS, EscapeFunction::CLRDTR, EscapeFunction::CLRRTS }) {
            const Status s = (*port)->escape(f);
            EXPECT_FALSE(s) << int(f) << ": " << s.text;
        }
    }
}

// While the server has suspended our data, writes wait: they end at their
// time-out with nothing sent, or go out whole once it resumes. Settings are
// commands, not data, and still go through.
TEST(Rfc2217Server, WritesWaitWhileTheServerSuspendsOurData)
{
    ScriptedServer server(
        ScriptedServer::Start::OfferComPort, echo, ScriptedServer::notice(rfc2217::FLOWCONTROL_SUSPEND, {}));
    auto port = openAt(server.target());
    ASSERT_TRUE(port) << port.error().text;
    ASSERT_FALSE((*port)->setTimeouts({ 0, 0, 0, 0, 300 }));
    const auto start = std::chrono::steady_clock::now();
    const IoResult held = (*port)->write("held", 4);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
    EXPECT_EQ(held.error.code, ErrorCode::TimedOut) << held.error.text;
    EXPECT_EQ(held.count, 0u);
    EXPECT_NE(held.error.text.find("after 0 of 4 bytes"), std::string::npos) << held.error.text;
    Dcb d;
    d.BaudRate = 9600;
    EXPECT_FALSE((*port)->setState(d));

    ASSERT_FALSE((*port)->setTimeouts({}));
    IoResult resumed;
    std::thread writer([&] { resumed = (*port)->write("resumed", 7); });
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(server.received(), "");
    server.push(ScriptedServer::notice(rfc2217::FLOWCONTROL_RESUME, {}));
    writer.join();
    EXPECT_TRUE(resumed.ok()) << resumed.error.text;
    EXPECT_EQ(resumed.count, 7u);
    EXPECT_TRUE(waitFor([&] { return server.received() == "resumed"; })) << server.received();
}

// A reader that stops: the input queue fills and the server is held back
// through TCP, yet answers and notices behind the data still arrive, and
// every byte is there, in order, when reading resumes.
TEST(Rfc2217Server, AFullInputQueueHoldsTheServerBackButNotItsAnswers)
{
    ScriptedServer server(ScriptedServer::Start::OfferComPort, echo);
    auto port = openAt(server.target());
    ASSERT_TRUE(port) << port.error().text;
    constexpr size_t kFlood = size_t(32) << 20;
    server.flood(kFlood);
    ASSERT_TRUE(waitFor([&] { return (*port)->clearCommError()->cbInQue >= (1u << 20); }));
    EXPECT_GT(server.queued(), 0u);
    server.push(ScriptedServer::notice(rfc2217::NOTIFY_MODEMSTATE, std::string(1, char(MS_CTS_ON | MS_DSR_ON))));
    Dcb d;
    d.BaudRate = 9600;
    d.Parity = ODDPARITY;
    const Status s = (*port)->setState(d);
    EXPECT_FALSE(s) << s.text;
    auto lines = (*port)->modemStatus();
    ASSERT_TRUE(lines) << lines.error().text;
    EXPECT_EQ(*lines, MS_CTS_ON | MS_DSR_ON);

    ASSERT_FALSE((*port)->setTimeouts({ 0, 0, 5000, 0, 0 }));
    std::string got(kFlood, '\0');
    size_t have = 0;
    for (IoResult r; have < kFlood; have += r.count) {
        r = (*port)->read(got.data() + have, kFlood - have);
        ASSERT_TRUE(r.ok() && r.count > 0) << "after " << have << " bytes: " << r.error.text;
    }
    size_t wrong = 0;
    for (size_t i = 0; i < kFlood; ++i)
        wrong += uint8_t(got[i]) != i % 251;
    EXPECT_EQ(wrong, 0u);
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
