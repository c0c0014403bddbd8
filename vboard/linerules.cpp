#include "linerules.h"

#include "portio/linesettings.h"

#include <string>

namespace vboard {

using namespace portio;

namespace {

Status refuse(const std::string& what)
{
    return makeError(ErrorCode::InvalidArgument, what);
}

} // namespace

Status checkBoardLineSettings(const Dcb& dcb, uint32_t maxBaud)
{
    if (auto e = checkLineSettings(dcb)) return e;
    if (dcb.BaudRate > maxBaud)
        return refuse(
            "baud rate " + std::to_string(dcb.BaudRate) + " is not supported (1 to " + std::to_string(maxBaud) + ")");
    return okStatus();
}

Dcb carriedLineSettings(Dcb dcb)
{
    const bool hardwareFlow = dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE;
    dcb.fBinary = true;
    dcb.fOutxCtsFlow = hardwareFlow;
    if (hardwareFlow) dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    return dcb;
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
