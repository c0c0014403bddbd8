#include "linerules.h"

#include <string>

namespace vboard {

using namespace portio;

namespace {

Status refuse(const std::string& what)
{
    return makeError(ErrorCode::InvalidArgument, what);
}

} // namespace

Status checkLineSettings(const Dcb& dcb, uint32_t maxBaud)
{
    if (dcb.BaudRate == 0 || int32_t(dcb.BaudRate) < 0 || dcb.BaudRate > maxBaud)
        return refuse(
            "baud rate " + std::to_string(dcb.BaudRate) + " is not supported (1 to " + std::to_string(maxBaud) + ")");
    if (dcb.ByteSize < 5 || dcb.ByteSize > 8)
        return refuse("data bits must be 5 to 8, not " + std::to_string(dcb.ByteSize));
    if (dcb.Parity > SPACEPARITY) return refuse("unknown parity code " + std::to_string(dcb.Parity));
    if (dcb.StopBits > TWOSTOPBITS) return refuse("unknown stop-bits code " + std::to_string(dcb.StopBits));
    if (dcb.fDtrControl > DTR_CONTROL_HANDSHAKE || dcb.fRtsControl > RTS_CONTROL_TOGGLE)
        return refuse("unknown DTR or RTS control code");
    if ((dcb.fOutX || dcb.fInX) && dcb.XonChar == dcb.XoffChar) return refuse("XON and XOFF characters must differ");
    return okStatus();
}

std::chrono::nanoseconds characterTime(const Dcb& dcb)
{
    // In half bits so that 1.5 stop bits stay exact.
    const uint64_t stopHalves = dcb.StopBits == ONE5STOPBITS ? 3 : dcb.StopBits == TWOSTOPBITS ? 4 : 2;
    const uint64_t halves = 2 * (1 + uint64_t(dcb.ByteSize) + (dcb.Parity != NOPARITY ? 1 : 0)) + stopHalves;
    const uint64_t baud = dcb.BaudRate ? dcb.BaudRate : 1;
    return std::chrono::nanoseconds(halves * 500'000'000ull / baud);
}

} // namespace vboard
