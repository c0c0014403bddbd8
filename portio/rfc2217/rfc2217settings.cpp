// Line settings of an Rfc2217Port: each one is sent to the server and holds
// only when the server answers with the value asked for.
#include "portio/linesettings.h"
#include "rfc2217codes.h"
#include "rfc2217port.h"

namespace portio {

namespace {

using namespace rfc2217;

std::string byte(uint8_t v)
{
    return std::string(1, char(v));
}

std::string be32(uint32_t v)
{
    return { char(v >> 24), char(v >> 16), char(v >> 8), char(v) };
}

uint32_t number(const std::string& s)
{
    uint32_t v = 0;
    for (char c : s)
        v = (v << 8) | uint8_t(c);
    return v;
}

uint8_t stopCode(uint8_t stopBits)
{
    return stopBits == ONESTOPBIT ? 1 : stopBits == TWOSTOPBITS ? 2 : 3;
}

std::optional<uint8_t> stopBitsOf(uint32_t code)
{
    if (code == 1) return ONESTOPBIT;
    if (code == 2) return TWOSTOPBITS;
    if (code == 3) return ONE5STOPBITS;
    return std::nullopt;
}

const char* stopName(uint8_t stopBits)
{
    return stopBits == ONESTOPBIT ? "1" : stopBits == TWOSTOPBITS ? "2" : "1.5";
}

const char* parityName(uint8_t parity)
{
    static const char* const names[] = { "none", "odd", "even", "mark", "space" };
    return names[parity];
}

const char* flowName(uint8_t value)
{
    return value == FLOW_HARDWARE ? "RTS/CTS" : value == FLOW_XONXOFF ? "XON/XOFF" : "none";
}

bool hardwareFlow(const Dcb& d)
{
    return d.fOutxCtsFlow || d.fRtsControl == RTS_CONTROL_HANDSHAKE;
}

PortError refused(const char* why)
{
    return makeError(ErrorCode::InvalidArgument, why);
}

// What the option cannot express, refused before anything goes to the server.
Status checkRemote(const Dcb& d)
{
    const bool xon = d.fOutX || d.fInX;
    if (xon && hardwareFlow(d)) return refused("a remote port takes RTS/CTS or XON/XOFF flow control, not both");
    if (d.fOutX != d.fInX) return refused("a remote port takes XON/XOFF in both directions or in neither");
    if (xon && (d.XonChar != 0x11 || d.XoffChar != 0x13))
        return refused("a remote port has no way to change the XON and XOFF characters from 0x11 and 0x13");
    return okStatus();
}

void applyAnswer(Dcb& d, uint8_t code, uint32_t v)
{
    if (code == SET_BAUDRATE && v > 0) d.BaudRate = v;
    if (code == SET_DATASIZE && v >= 5 && v <= 8) d.ByteSize = uint8_t(v);
    if (code == SET_PARITY && v >= 1 && v <= 5) d.Parity = uint8_t(v - 1);
    if (code == SET_STOPSIZE && stopBitsOf(v)) d.StopBits = *stopBitsOf(v);
    if (code == SET_CONTROL && v >= FLOW_NONE && v <= FLOW_HARDWARE) {
        d.fOutX = d.fInX = v == FLOW_XONXOFF;
        d.fOutxCtsFlow = v == FLOW_HARDWARE;
        if (v == FLOW_HARDWARE)
            d.fRtsControl = RTS_CONTROL_HANDSHAKE;
        else if (d.fRtsControl == RTS_CONTROL_HANDSHAKE)
            d.fRtsControl = RTS_CONTROL_ENABLE;
    }
}

} // namespace

Status Rfc2217Port::readSettings()
{
    static constexpr struct {
        uint8_t code;
        uint8_t size;
        const char* what;
    } questions[] = {
        { SET_BAUDRATE, 4, "the baud rate" },
        { SET_DATASIZE, 1, "the data bits" },
        { SET_PARITY, 1, "the parity" },
        { SET_STOPSIZE, 1, "the stop bits" },
        { SET_CONTROL, 1, "the flow control" },
    };
    for (const auto& q : questions) {
        auto answer = ask(q.code, std::string(q.size, '\0'), "the question for " + std::string(q.what));
        if (!answer) return answer.error();
        std::lock_guard lock(m_mutex);
        applyAnswer(m_dcb, q.code, number(*answer));
    }
    return okStatus();
}

Status Rfc2217Port::confirm(uint8_t code, const std::string& value, const std::string& what, const std::string& wanted)
{
    auto answer = ask(code, value, "the request for " + what + " " + wanted);
    if (!answer && answer.error().code != ErrorCode::TimedOut) return answer.error();
    if (!answer)
        return makeError(ErrorCode::InvalidArgument,
            "the server at " + m_where + " did not carry out " + what + " " + wanted + " (no answer)");
    if (*answer != value)
        return makeError(ErrorCode::InvalidArgument,
            "the server at " + m_where + " refused " + what + " " + wanted + " (it answered "
                + std::to_string(number(*answer)) + ")");
    std::lock_guard lock(m_mutex);
    applyAnswer(m_dcb, code, number(value));
    return okStatus();
}

Status Rfc2217Port::applyFraming(const Dcb& d)
{
    if (auto e = confirm(SET_BAUDRATE, be32(d.BaudRate), "the baud rate", std::to_string(d.BaudRate))) return e;
    if (auto e = confirm(SET_DATASIZE, byte(d.ByteSize), "data bits", std::to_string(d.ByteSize))) return e;
    if (auto e = confirm(SET_PARITY, byte(d.Parity + 1), "parity", parityName(d.Parity))) return e;
    return confirm(SET_STOPSIZE, byte(stopCode(d.StopBits)), "stop bits", stopName(d.StopBits));
}

Status Rfc2217Port::applyFlow(const Dcb& d)
{
    const uint8_t value = hardwareFlow(d) ? FLOW_HARDWARE : d.fOutX ? FLOW_XONXOFF : FLOW_NONE;
    return confirm(SET_CONTROL, byte(value), "flow control", flowName(value));
}

// Servers without modem lines behind them (a pseudo-terminal) keep the
// settings all the same, as a local tty does; escape() reports the lines.
void Rfc2217Port::applyLines(const Dcb& d)
{
    (void)sendCommand(SET_CONTROL, byte(d.fDtrControl == DTR_CONTROL_ENABLE ? DTR_ON : DTR_OFF));
    if (!hardwareFlow(d)) (void)sendCommand(SET_CONTROL, byte(d.fRtsControl == RTS_CONTROL_ENABLE ? RTS_ON : RTS_OFF));
}

Result<Dcb> Rfc2217Port::getState()
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    std::lock_guard lock(m_mutex);
    return m_dcb;
}

Status Rfc2217Port::setState(const Dcb& dcb)
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    if (auto e = checkLineSettings(dcb)) return e;
    if (auto e = checkRemote(dcb)) return e;
    if (auto e = applyFraming(dcb)) return e;
    if (auto e = applyFlow(dcb)) return e;
    applyLines(dcb);
    std::lock_guard lock(m_mutex);
    m_dcb = dcb;
    m_dcb.fBinary = true;
    return okStatus();
}

Status Rfc2217Port::control(uint8_t value, const char* what)
{
    auto answer = ask(SET_CONTROL, byte(value), std::string("the request for ") + what);
    if (!answer && answer.error().code == ErrorCode::TimedOut)
        return makeError(ErrorCode::NotSupported, "the server at " + m_where + " did not confirm " + what);
    if (!answer) return answer.error();
    // Servers answer a break with its state, not always the value asked for.
    if (value == BREAK_ON || value == BREAK_OFF || *answer == byte(value)) return okStatus();
    return makeError(ErrorCode::NotSupported,
        "the server at " + m_where + " cannot do " + what + " (it answered " + std::to_string(number(*answer)) + ")");
}

Status Rfc2217Port::escape(EscapeFunction function)
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    switch (function) {
    case EscapeFunction::SETRTS:
        return control(RTS_ON, "raising RTS");
    case EscapeFunction::CLRRTS:
        return control(RTS_OFF, "dropping RTS");
    case EscapeFunction::SETDTR:
        return control(DTR_ON, "raising DTR");
    case EscapeFunction::CLRDTR:
        return control(DTR_OFF, "dropping DTR");
    case EscapeFunction::SETBREAK:
        return control(BREAK_ON, "starting a break");
    case EscapeFunction::CLRBREAK:
        return control(BREAK_OFF, "ending a break");
    }
    return makeError(ErrorCode::InvalidArgument, "unknown escape function");
}

} // namespace portio
