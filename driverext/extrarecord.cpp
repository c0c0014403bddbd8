#include "extrarecord.h"

namespace driverext {

void putLe16(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value & 0xFF);
    at[1] = static_cast<uint8_t>(value >> 8);
}

uint16_t getLe16(const uint8_t* at)
{
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

void prepareExtraRequest(ExtraBuffer request)
{
    putLe16(request.data(), 0);
    putLe16(request.data() + 2, static_cast<uint16_t>(VLX_EXTRA_SIZE));
}

ExtraRecord recordOf(ExtraBuffer buffer)
{
    return buffer.subspan<VLX_EXTRA_OFFSET, VLX_EXTRA_SIZE>();
}

} // namespace driverext
