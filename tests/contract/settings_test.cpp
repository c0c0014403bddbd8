#include "contract.h"

#include <ostream>

using namespace portio;

namespace contract {

namespace {

// DsrHandshake: refused, unless the device does DTR/DSR handshake.
enum class Policy { Accepts, Refuses, DsrHandshake };

struct SettingCase {
    const char* name;
    void (*change)(Dcb&);
    Policy policy;
};

void rtsCts(Dcb& d)
{
    d.fOutxCtsFlow = true;
    d.fRtsControl = RTS_CONTROL_HANDSHAKE;
}

void xonXoff(Dcb& d)
{
    d.fOutX = d.fInX = true;
}

// The one refusal policy, row by row: what every backend must accept and
// refuse alike (a device's own limits come on top, from its fixture).
const SettingCase kSettings[] = {
    { "baud 50", [](Dcb& d) { d.BaudRate = 50; }, Policy::Accepts },
    { "baud 300", [](Dcb& d) { d.BaudRate = 300; }, Policy::Accepts },
    { "baud 9600", [](Dcb& d) { d.BaudRate = 9600; }, Policy::Accepts },
    { "baud 115200", [](Dcb& d) { d.BaudRate = 115200; }, Policy::Accepts },
    { "baud 250000 (not a classic rate)", [](Dcb& d) { d.BaudRate = 250000; }, Policy::Accepts },
    { "baud 921600", [](Dcb& d) { d.BaudRate = 921600; }, Policy::Accepts },
    { "baud 921601", [](Dcb& d) { d.BaudRate = 921601; }, Policy::Accepts },
    { "baud 0", [](Dcb& d) { d.BaudRate = 0; }, Policy::Refuses },
    { "4 data bits", [](Dcb& d) { d.ByteSize = 4; }, Policy::Refuses },
    { "5 data bits", [](Dcb& d) { d.ByteSize = 5; }, Policy::Accepts },
    { "6 data bits", [](Dcb& d) { d.ByteSize = 6; }, Policy::Accepts },
    { "7 data bits", [](Dcb& d) { d.ByteSize = 7; }, Policy::Accepts },
    { "9 data bits", [](Dcb& d) { d.ByteSize = 9; }, Policy::Refuses },
    { "odd parity", [](Dcb& d) { d.Parity = ODDPARITY, d.fParity = true; }, Policy::Accepts },
    { "even parity", [](Dcb& d) { d.Parity = EVENPARITY, d.fParity = true; }, Policy::Accepts },
    { "mark parity", [](Dcb& d) { d.Parity = MARKPARITY, d.fParity = true; }, Policy::Accepts },
    { "space parity", [](Dcb& d) { d.Parity = SPACEPARITY, d.fParity = true; }, Policy::Accepts },
    { "parity code 5", [](Dcb& d) { d.Parity = 5; }, Policy::Refuses },
    { "2 stop bits, 8 data bits", [](Dcb& d) { d.StopBits = TWOSTOPBITS; }, Policy::Accepts },
    { "1.5 stop bits, 8 data bits", [](Dcb& d) { d.StopBits = ONE5STOPBITS; }, Policy::Refuses },
    { "1.5 stop bits, 7 data bits", [](Dcb& d) { d.StopBits = ONE5STOPBITS, d.ByteSize = 7; }, Policy::Refuses },
    { "1.5 stop bits, 5 data bits", [](Dcb& d) { d.StopBits = ONE5STOPBITS, d.ByteSize = 5; }, Policy::Accepts },
    { "2 stop bits, 5 data bits", [](Dcb& d) { d.StopBits = TWOSTOPBITS, d.ByteSize = 5; }, Policy::Refuses },
    { "stop-bits code 3", [](Dcb& d) { d.StopBits = 3; }, Policy::Refuses },
    { "DTR off", [](Dcb& d) { d.fDtrControl = DTR_CONTROL_DISABLE; }, Policy::Accepts },
    { "DTR/DSR handshake",
        [](Dcb& d) {
            d.fDtrControl = DTR_CONTROL_HANDSHAKE;
            d.fOutxDsrFlow = true;
        },
        Policy::DsrHandshake },
    { "DTR handshake alone", [](Dcb& d) { d.fDtrControl = DTR_CONTROL_HANDSHAKE; }, Policy::DsrHandshake },
    { "DSR output flow alone", [](Dcb& d) { d.fOutxDsrFlow = true; }, Policy::DsrHandshake },
    { "DTR code 3", [](Dcb& d) { d.fDtrControl = 3; }, Policy::Refuses },
    { "RTS off", [](Dcb& d) { d.fRtsControl = RTS_CONTROL_DISABLE; }, Policy::Accepts },
    { "RTS/CTS handshake", rtsCts, Policy::Accepts },
    { "CTS output flow alone", [](Dcb& d) { d.fOutxCtsFlow = true; }, Policy::Accepts },
    { "RTS handshake alone", [](Dcb& d) { d.fRtsControl = RTS_CONTROL_HANDSHAKE; }, Policy::Accepts },
    { "CTS output flow with RTS off",
        [](Dcb& d) {
            d.fOutxCtsFlow = true;
            d.fRtsControl = RTS_CONTROL_DISABLE;
        },
        Policy::Accepts },
    { "not binary", [](Dcb& d) { d.fBinary = false; }, Policy::Accepts },
    { "RTS toggle", [](Dcb& d) { d.fRtsControl = RTS_CONTROL_TOGGLE; }, Policy::Refuses },
    { "RTS code 4", [](Dcb& d) { d.fRtsControl = 4; }, Policy::Refuses },
    { "XON/XOFF both ways", xonXoff, Policy::Accepts },
    { "XON/XOFF out only", [](Dcb& d) { d.fOutX = true; }, Policy::Accepts },
    { "XON/XOFF in only", [](Dcb& d) { d.fInX = true; }, Policy::Accepts },
    { "XON/XOFF with other characters",
        [](Dcb& d) {
            xonXoff(d);
            d.XonChar = 0x01, d.XoffChar = 0x02;
        },
        Policy::Accepts },
    { "XON/XOFF with equal characters",
        [](Dcb& d) {
            xonXoff(d);
            d.XonChar = d.XoffChar = 0x13;
        },
        Policy::Refuses },
    { "equal XON and XOFF characters, XON/XOFF off", [](Dcb& d) { d.XonChar = d.XoffChar = 0x13; }, Policy::Accepts },
    { "RTS/CTS and XON/XOFF",
        [](Dcb& d) {
            rtsCts(d);
            xonXoff(d);
        },
        Policy::Accepts },
};

// What every backend reads back as set; framing only where the device
// carries it. Hardware flow is one switch on Linux (both directions).
struct Carried {
    uint32_t baud;
    bool binary;
    bool ctsFlow;
    uint8_t rts, dtr;
    bool outX, inX;
    uint8_t xon, xoff;
    int byteSize, parity, stopBits;
    bool operator==(const Carried&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Carried& c)
{
    return os << c.baud << " baud, binary " << c.binary << ", cts flow " << c.ctsFlow << ", rts " << int(c.rts)
              << ", dtr " << int(c.dtr) << ", xon/xoff " << c.outX << c.inX << " chars " << int(c.xon) << '/'
              << int(c.xoff) << ", framing " << c.byteSize << '/' << c.parity << '/' << c.stopBits;
}

Carried carried(const Dcb& d, const Backend& b)
{
    const bool framing = b.carriesFraming(), modes = b.carriesLineModes();
    return { d.BaudRate, d.fBinary, d.fOutxCtsFlow, modes ? d.fRtsControl : uint8_t(0xFF),
        modes ? d.fDtrControl : uint8_t(0xFF), d.fOutX, d.fInX, d.XonChar, d.XoffChar, framing ? d.ByteSize : -1,
        framing ? d.Parity : -1, framing ? d.StopBits : -1 };
}

// What a Linux port reads back of what was set: always binary, and hardware
// flow as one switch for both directions.
Carried expectedBack(Dcb d, const Backend& b)
{
    const bool hw = d.fOutxCtsFlow || d.fRtsControl == RTS_CONTROL_HANDSHAKE;
    d.fBinary = true;
    d.fOutxCtsFlow = hw;
    if (hw) d.fRtsControl = RTS_CONTROL_HANDSHAKE;
    return carried(d, b);
}

} // namespace

TEST_P(PortContract, EverySettingIsAcceptedOrRefusedByTheOnePolicy)
{
    const Dcb base;
    ASSERT_FALSE(port->setState(base));
    for (const SettingCase& c : kSettings) {
        Dcb d = base;
        c.change(d);
        const std::string limit = backend->deviceLimit(d);
        const bool allowed
            = c.policy == Policy::Accepts || (c.policy == Policy::DsrHandshake && backend->hasDsrHandshake());
        const bool accepts = allowed && limit.empty();
        SCOPED_TRACE(std::string(c.name) + (limit.empty() ? "" : " (" + limit + ")"));
        const Dcb before = *port->getState();
        const Status s = port->setState(d);
        if (!accepts) {
            EXPECT_EQ(s.code, ErrorCode::InvalidArgument) << "accepted: " << s.text;
            EXPECT_FALSE(s.text.empty());
            EXPECT_EQ(*port->getState(), before) << "a refused setting changed the line";
            continue;
        }
        ASSERT_FALSE(s) << s.text;
        EXPECT_EQ(carried(*port->getState(), *backend), expectedBack(d, *backend));
        ASSERT_FALSE(port->setState(base));
    }
}

} // namespace contract
