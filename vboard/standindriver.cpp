#include "standindriver.h"

#include "driverprotocol/records.h"

#include <algorithm>
#include <optional>
#include <string>

namespace vboard {

using namespace portio;

namespace {

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

Status StandInDriver::handle(uint32_t code, const uint8_t* in, size_t inLen, uint8_t* out, size_t outLen,
    uint32_t& bytesReturned, const std::function<void()>& dumpUart)
{
    bytesReturned = 0;
    const driverprotocol::CodeLayout* layout = driverprotocol::findCodeLayout(code);
    if (!layout)
        return makeError(ErrorCode::NotSupported, "device control code " + std::to_string(code) + " is not supported");
    if (!layout->fits(inLen, outLen) || (inLen && !in) || (outLen && !out)) return sizeError(code, inLen, outLen);
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
        return setProtocol(in, inLen);
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

Status StandInDriver::setProtocol(const uint8_t* in, size_t inLen)
{
    const std::optional<uint8_t> letter = driverprotocol::decodeProtocolLetter(in, inLen);
    if (!letter) return makeError(ErrorCode::InvalidArgument, "protocol letter must be followed by a zero byte");
    m_protocol = *letter;
    return okStatus();
}

Status StandInDriver::setExtra(const uint8_t* in)
{
    const driverprotocol::ConstExtraBuffer buffer(in, ExtraBufferSize);
    const uint16_t length = driverprotocol::extraHeaderOf(buffer).length;
    if (length != ExtraRecordSize)
        return makeError(ErrorCode::InvalidArgument,
            "extra buffer announces a record of " + std::to_string(length) + " bytes, not 481");
    const auto record = driverprotocol::recordOf(buffer);
    std::copy(record.begin(), record.end(), m_record.begin());
    return okStatus();
}

void StandInDriver::getExtra(uint8_t* out) const
{
    driverprotocol::encodeExtraReply(driverprotocol::ExtraBuffer(out, ExtraBufferSize), m_record);
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
