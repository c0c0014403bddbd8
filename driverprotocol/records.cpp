#include "records.h"

#include <algorithm>

namespace driverprotocol {

void putLe16(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value & 0xFF);
    at[1] = static_cast<uint8_t>(value >> 8);
}

uint16_t getLe16(const uint8_t* at)
{
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

ExtraHeader extraHeaderOf(ConstExtraBuffer buffer)
{
    return { getLe16(buffer.data()), getLe16(buffer.data() + 2) };
}

void encodeExtraRequest(ExtraBuffer request)
{
    putLe16(request.data(), 0);
    putLe16(request.data() + 2, static_cast<uint16_t>(VLX_EXTRA_SIZE));
}

void encodeExtraReply(ExtraBuffer reply, ConstExtraRecord record)
{
    putLe16(reply.data(), EXTRA_RECORD_VERSION);
    putLe16(reply.data() + 2, static_cast<uint16_t>(VLX_EXTRA_SIZE));
    std::copy(record.begin(), record.end(), recordOf(reply).begin());
    reply.back() = 0;
}

ExtraRecord recordOf(ExtraBuffer buffer)
{
    return buffer.subspan<VLX_EXTRA_OFFSET, VLX_EXTRA_SIZE>();
}

ConstExtraRecord recordOf(ConstExtraBuffer buffer)
{
    return buffer.subspan<VLX_EXTRA_OFFSET, VLX_EXTRA_SIZE>();
}

size_t encodeProtocolLetter(char letter, LetterForm form, std::span<uint8_t, PROTOCOL_INPUT_SIZE> out)
{
    out[0] = static_cast<uint8_t>(letter);
    out[1] = 0;
    return form == LetterForm::OneByte ? 1 : 2;
}

std::optional<uint8_t> decodeProtocolLetter(const uint8_t* in, size_t inLen)
{
    if (inLen == 2 && in[1] != 0) return std::nullopt;
    return in[0];
}

} // namespace driverprotocol
