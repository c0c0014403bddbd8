#pragma once

#include "controlcodes.h"

#include <cstdint>
#include <span>

namespace driverext {

using ExtraBuffer = std::span<uint8_t, EXTRA_BUFFER_SIZE>;
using ExtraRecord = std::span<uint8_t, VLX_EXTRA_SIZE>;

// 16-bit fields travel little-endian whatever the host's order, so they are
// written and read byte by byte.
void putLe16(uint8_t* at, uint16_t value);
uint16_t getLe16(const uint8_t* at);

// Fills in the two words the request carries (the record's offset within the
// driver's block, 0, and its length, 481); the rest is left as it is.
void prepareExtraRequest(ExtraBuffer request);

// The 481-byte record inside an extra buffer.
ExtraRecord recordOf(ExtraBuffer buffer);

} // namespace driverext
