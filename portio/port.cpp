#include "port.h"

namespace portio {

Status Port::deviceControl(
    uint32_t code, const void* in, size_t inLen, void* out, size_t outLen, uint32_t* bytesReturned)
{
    if (bytesReturned) *bytesReturned = 0;
    switch (code) {
    case IOCTL_SERIAL_SET_RTS:
        return escape(EscapeFunction::SETRTS);
    case IOCTL_SERIAL_CLR_RTS:
        return escape(EscapeFunction::CLRRTS);
    case IOCTL_SERIAL_SET_DTR:
        return escape(EscapeFunction::SETDTR);
    case IOCTL_SERIAL_CLR_DTR:
        return escape(EscapeFunction::CLRDTR);
    default:
        return driverControl(code, in, inLen, out, outLen, bytesReturned);
    }
}

Status Port::driverControl(uint32_t code, const void*, size_t, void*, size_t, uint32_t*)
{
    return makeError(ErrorCode::NotSupported, "device control code " + std::to_string(code) + " is not supported");
}

IoResult Port::writeNow(const void*, size_t)
{
    return {};
}

std::chrono::milliseconds Port::modemStatusDelay() const
{
    return std::chrono::milliseconds(0);
}

Result<LineCounters> Port::lineCounters()
{
    return makeError(ErrorCode::NotSupported, "the port keeps no line-error counters");
}

} // namespace portio
