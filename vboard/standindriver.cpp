#include "standindriver.h"

#include <cstring>
#include <string>

namespace vboard {

using namespace portio;

namespace {

void put16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

uint16_t get16(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

Status sizeError(uint32_t code, size_t inLen, size_t outLen)
{
    return makeError(ErrorCode::InvalidArgument,
        "driver request " + std::to_string(code) + ": wrong buffer sizes (" + std::to_string(inLen) + " in, "
            + std::to_string(outLen) + " out)");
}

} // namespace

StandInDriver::StandInDriver()
    : m_record(defaultRecord())
{
}

StandInDriver::Record StandInDriver::defaultRecord()
{
    // Never zero anywhere, so a caller can tell a byte left as returned from
    // one it cleared.
    Record r;
    for (size_t i = 0; i < r.size(); ++i)
        r[i] = uint8_t(i % 251 + 1);
    return r;
}

bool StandInDriver::knownCode(uint32_t code, Sizes& s)
{
    switch (code) {
    case IOCTL_VLX_SET_CUSTOM:
    case IOCTL_VLX_RESET_CUSTOM:
        s = { 4, 4, 0 };
        return true;
    case IOCTL_VLX_SET_PROTOCOL:
        s = { 1, 2, 0 };
        return true;
    case IOCTL_VLX_SET_EXTRA:
        s = { ExtraBufferSize, ExtraBufferSize, 0 };
        return true;
    case IOCTL_VLX_GET_EXTRA:
        s = { ExtraBufferSize, ExtraBufferSize, ExtraBufferSize };
        return true;
    case IOCTL_VLX_GET_LAST_READ_RESULT:
    case IOCTL_VLX_GET_LAST_READ_RESULT2:
    case IOCTL_VLX_FIRMWARE_RESET:
    case IOCTL_VLX_DUMP_UART:
        s = { 3, 3, 1 };
        return true;
    default:
        return false;
    }
}

Status StandInDriver::handle(uint32_t code, const uint8_t* in, size_t inLen, uint8_t* out, size_t outLen,
    uint32_t& bytesReturned, const std::function<void()>& dumpUart)
{
    bytesReturned = 0;
    Sizes s {};
    if (!knownCode(code, s))
        return makeError(ErrorCode::NotSupported, "device control code " + std::to_string(code) + " is not supported");
    if ((inLen != s.in1 && inLen != s.in2) || outLen != s.out || (inLen && !in) || (outLen && !out))
        return sizeError(code, inLen, outLen);
    return carryOut(code, in, inLen, out, bytesReturned, dumpUart);
}

Status StandInDriver::carryOut(uint32_t code, const uint8_t* in, size_t inLen, uint8_t* out, uint32_t& bytesReturned,
    const std::function<void()>& dumpUart)
{
    switch (code) {
    case IOCTL_VLX_SET_CUSTOM:
        m_custom = true;
        m_customReceived = 0;
        break;
    case IOCTL_VLX_RESET_CUSTOM:
        m_custom = false;
        break;
    case IOCTL_VLX_SET_PROTOCOL:
        if (inLen == 2 && in[1] != 0)
            return makeError(ErrorCode::InvalidArgument, "protocol letter must be followed by a zero byte");
        m_protocol = in[0];
        break;
    case IOCTL_VLX_SET_EXTRA:
        return setExtra(in);
    case IOCTL_VLX_GET_EXTRA:
        getExtra(out);
        bytesReturned = ExtraBufferSize;
        break;
    case IOCTL_VLX_GET_LAST_READ_RESULT:
        *out = result1();
        bytesReturned = 1;
        break;
    case IOCTL_VLX_GET_LAST_READ_RESULT2:
        *out = result2();
        bytesReturned = 1;
        break;
    case IOCTL_VLX_FIRMWARE_RESET:
        *this = StandInDriver();
        *out = 0;
        bytesReturned = 1;
        break;
    default: // IOCTL_VLX_DUMP_UART
        dumpUart();
        *out = 0;
        bytesReturned = 1;
        break;
    }
    return okStatus();
}

Status StandInDriver::setExtra(const uint8_t* in)
{
    if (get16(in + 2) != ExtraRecordSize)
        return makeError(ErrorCode::InvalidArgument,
            "extra buffer announces a record of " + std::to_string(get16(in + 2)) + " bytes, not 481");
    std::memcpy(m_record.data(), in + ExtraRecordOffset, ExtraRecordSize);
    return okStatus();
}

void StandInDriver::getExtra(uint8_t* out) const
{
    put16(out, ExtraRecordVersion);
    put16(out + 2, ExtraRecordSize);
    std::memcpy(out + ExtraRecordOffset, m_record.data(), ExtraRecordSize);
    out[ExtraBufferSize - 1] = 0;
}

void StandInDriver::noteReceived(size_t n)
{
    if (m_custom) m_customReceived += n;
}

uint8_t StandInDriver::result1() const
{
    return m_custom ? m_protocol : 0;
}

} // namespace vboard
