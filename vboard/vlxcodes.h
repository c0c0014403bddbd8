#pragma once

#include <cstddef>
#include <cstdint>

// The board driver's own device-control codes (serial device type 0x1B,
// functions from 0x800, buffered, any access).
namespace vboard {

constexpr uint32_t IOCTL_VLX_SET_CUSTOM = 0x001B2000;
constexpr uint32_t IOCTL_VLX_RESET_CUSTOM = 0x001B2004;
constexpr uint32_t IOCTL_VLX_SET_PROTOCOL = 0x001B200C;
constexpr uint32_t IOCTL_VLX_SET_EXTRA = 0x001B2014;
constexpr uint32_t IOCTL_VLX_GET_EXTRA = 0x001B2018;
constexpr uint32_t IOCTL_VLX_GET_LAST_READ_RESULT = 0x001B2044;
constexpr uint32_t IOCTL_VLX_GET_LAST_READ_RESULT2 = 0x001B2048;
constexpr uint32_t IOCTL_VLX_FIRMWARE_RESET = 0x001B204C;
constexpr uint32_t IOCTL_VLX_DUMP_UART = 0x001B2050;

// The extra buffer: two 16-bit words, the 481-byte record, one spare byte.
constexpr size_t ExtraBufferSize = 486;
constexpr size_t ExtraRecordSize = 481;
constexpr size_t ExtraRecordOffset = 4;
// First word of the buffers the board returns: the record layout version.
constexpr uint16_t ExtraRecordVersion = 0x0330;

} // namespace vboard
