#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The board driver's device-control codes and the buffers each one takes, as
// both the driver commands and the stand-in driver of the virtual board know them.
namespace driverprotocol {

// The codes are built like every serial-port code: device type 0x1B, a
// function number, buffered transfer, any access.
constexpr uint32_t FILE_DEVICE_SERIAL_PORT = 0x1B;
constexpr uint32_t ctlCode(uint32_t function)
{
    return (FILE_DEVICE_SERIAL_PORT << 16) | (function << 2);
}

constexpr uint32_t IOCTL_VLX_SET_CUSTOM = 0x001B2000;
constexpr uint32_t IOCTL_VLX_RESET_CUSTOM = 0x001B2004;
constexpr uint32_t IOCTL_VLX_SET_PROTOCOL = 0x001B200C;
constexpr uint32_t IOCTL_VLX_SET_EXTRA = 0x001B2014;
constexpr uint32_t IOCTL_VLX_GET_EXTRA = 0x001B2018;
constexpr uint32_t IOCTL_VLX_GET_LAST_READ_RESULT = 0x001B2044;
constexpr uint32_t IOCTL_VLX_GET_LAST_READ_RESULT2 = 0x001B2048;
constexpr uint32_t IOCTL_VLX_FIRMWARE_RESET = 0x001B204C;
constexpr uint32_t IOCTL_VLX_DUMP_UART = 0x001B2050;

static_assert(ctlCode(0x800) == IOCTL_VLX_SET_CUSTOM && ctlCode(0x801) == IOCTL_VLX_RESET_CUSTOM);
static_assert(ctlCode(0x803) == IOCTL_VLX_SET_PROTOCOL && ctlCode(0x805) == IOCTL_VLX_SET_EXTRA);
static_assert(ctlCode(0x806) == IOCTL_VLX_GET_EXTRA && ctlCode(0x811) == IOCTL_VLX_GET_LAST_READ_RESULT);
static_assert(ctlCode(0x812) == IOCTL_VLX_GET_LAST_READ_RESULT2 && ctlCode(0x813) == IOCTL_VLX_FIRMWARE_RESET);
static_assert(ctlCode(0x814) == IOCTL_VLX_DUMP_UART);

// The extra buffer: two 16-bit words (offset, length), the record, one spare byte.
constexpr size_t EXTRA_BUFFER_SIZE = 486;
constexpr size_t VLX_EXTRA_OFFSET = 4;
constexpr size_t VLX_EXTRA_SIZE = 481;
static_assert(VLX_EXTRA_OFFSET + VLX_EXTRA_SIZE + 1 == EXTRA_BUFFER_SIZE);
// First word of the extra buffers the driver returns: the record layout version.
constexpr uint16_t EXTRA_RECORD_VERSION = 0x0330;

constexpr size_t CUSTOM_INPUT_SIZE = 4;
constexpr size_t PROTOCOL_INPUT_SIZE = 2; // the letter and a zero byte; the letter alone is taken too
constexpr size_t QUERY_INPUT_SIZE = 3;
constexpr size_t QUERY_OUTPUT_SIZE = 1;

// A code and the buffer sizes it comes with: `inSize` (or `inSizeShort`) in,
// `outSize` out (0: none).
struct CodeLayout {
    const char* name;
    uint32_t value;
    size_t inSize;
    size_t inSizeShort;
    size_t outSize;

    bool fits(size_t inLen, size_t outLen) const
    {
        return (inLen == inSize || inLen == inSizeShort) && outLen == outSize;
    }
};

inline constexpr std::array<CodeLayout, 9> allCodeLayouts { {
    { "IOCTL_VLX_SET_CUSTOM", IOCTL_VLX_SET_CUSTOM, CUSTOM_INPUT_SIZE, CUSTOM_INPUT_SIZE, 0 },
    { "IOCTL_VLX_RESET_CUSTOM", IOCTL_VLX_RESET_CUSTOM, CUSTOM_INPUT_SIZE, CUSTOM_INPUT_SIZE, 0 },
    { "IOCTL_VLX_SET_PROTOCOL", IOCTL_VLX_SET_PROTOCOL, PROTOCOL_INPUT_SIZE, 1, 0 },
    { "IOCTL_VLX_SET_EXTRA", IOCTL_VLX_SET_EXTRA, EXTRA_BUFFER_SIZE, EXTRA_BUFFER_SIZE, 0 },
    { "IOCTL_VLX_GET_EXTRA", IOCTL_VLX_GET_EXTRA, EXTRA_BUFFER_SIZE, EXTRA_BUFFER_SIZE, EXTRA_BUFFER_SIZE },
    { "IOCTL_VLX_GET_LAST_READ_RESULT", IOCTL_VLX_GET_LAST_READ_RESULT, QUERY_INPUT_SIZE, QUERY_INPUT_SIZE,
        QUERY_OUTPUT_SIZE },
    { "IOCTL_VLX_GET_LAST_READ_RESULT2", IOCTL_VLX_GET_LAST_READ_RESULT2, QUERY_INPUT_SIZE, QUERY_INPUT_SIZE,
        QUERY_OUTPUT_SIZE },
    { "IOCTL_VLX_FIRMWARE_RESET", IOCTL_VLX_FIRMWARE_RESET, QUERY_INPUT_SIZE, QUERY_INPUT_SIZE, QUERY_OUTPUT_SIZE },
    { "IOCTL_VLX_DUMP_UART", IOCTL_VLX_DUMP_UART, QUERY_INPUT_SIZE, QUERY_INPUT_SIZE, QUERY_OUTPUT_SIZE },
} };

// The layout of the code with this value, or nullptr.
const CodeLayout* findCodeLayout(uint32_t value);

} // namespace driverprotocol
