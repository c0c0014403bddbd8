#pragma once

#include "driverext/controlcodes.h"

#include <cstddef>
#include <cstdint>

// The board driver's own device-control codes: the board answers the codes the
// driver commands send, so it takes their values from the same definitions.
namespace vboard {

using driverext::IOCTL_VLX_DUMP_UART;
using driverext::IOCTL_VLX_FIRMWARE_RESET;
using driverext::IOCTL_VLX_GET_EXTRA;
using driverext::IOCTL_VLX_GET_LAST_READ_RESULT;
using driverext::IOCTL_VLX_GET_LAST_READ_RESULT2;
using driverext::IOCTL_VLX_RESET_CUSTOM;
using driverext::IOCTL_VLX_SET_CUSTOM;
using driverext::IOCTL_VLX_SET_EXTRA;
using driverext::IOCTL_VLX_SET_PROTOCOL;

// The extra buffer: two 16-bit words, the 481-byte record, one spare byte.
constexpr size_t ExtraBufferSize = 486;
constexpr size_t ExtraRecordSize = 481;
constexpr size_t ExtraRecordOffset = 4;
// First word of the buffers the board returns: the record layout version.
constexpr uint16_t ExtraRecordVersion = 0x0330;

} // namespace vboard
