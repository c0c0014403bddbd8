#pragma once

#include "driverprotocol/codes.h"

#include <cstddef>
#include <cstdint>

// The board driver's own device-control codes: the board answers the codes the
// driver commands send, so it takes their values from the same definitions.
namespace vboard {

using namespace driverprotocol;

constexpr size_t ExtraBufferSize = driverprotocol::EXTRA_BUFFER_SIZE;
constexpr size_t ExtraRecordSize = driverprotocol::VLX_EXTRA_SIZE;
constexpr size_t ExtraRecordOffset = driverprotocol::VLX_EXTRA_OFFSET;
constexpr uint16_t ExtraRecordVersion = driverprotocol::EXTRA_RECORD_VERSION;

} // namespace vboard
