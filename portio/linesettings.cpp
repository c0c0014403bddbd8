#include "linesettings.h"

namespace portio {

namespace {

PortError refused(const char* why)
{
    return makeError(ErrorCode::InvalidArgument, why);
}

} // namespace

Status checkLineSettings(const Dcb& d)
{
    if (d.BaudRate == 0) return refused("a baud rate of 0 is not a line setting");
    if (d.ByteSize < 5 || d.ByteSize > 8) return refused("data bits must be 5 to 8");
    if (d.Parity > SPACEPARITY) return refused("unknown parity code");
    if (d.StopBits > TWOSTOPBITS) return refused("unknown stop-bits code");
    if ((d.StopBits == ONE5STOPBITS) != (d.StopBits != ONESTOPBIT && d.ByteSize == 5))
        return refused("one and a half stop bits go with 5 data bits only, two stop bits with 6 to 8");
    if (d.fOutxDsrFlow || d.fDtrControl == DTR_CONTROL_HANDSHAKE)
        return refused("Linux serial drivers have no DTR/DSR handshake");
    if (d.fDtrControl > DTR_CONTROL_HANDSHAKE || d.fRtsControl > RTS_CONTROL_HANDSHAKE)
        return refused("unknown or unsupported DTR or RTS control mode");
    if ((d.fOutX || d.fInX) && d.XonChar == d.XoffChar) return refused("XON and XOFF characters must differ");
    return okStatus();
}

} // namespace portio
