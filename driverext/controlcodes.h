#pragma once

#include "res/texts.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace driverext {

// A code of the board driver: its value, the size of the buffer that goes in
// and the one that comes out (0: none), and what the user is told when the
// driver refuses it.
struct ControlCode {
    const char* name;
    uint32_t value;
    size_t inSize;
    size_t outSize;
    const char* failureText;
};

// The driver's codes are built like every serial-port code: device type
// 0x1B, a function number, buffered transfer, any access.
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

// Sizes of the inputs the program passes without setting them, and of the
// one-byte results with the value they carry when the driver leaves them.
constexpr size_t CUSTOM_INPUT_SIZE = 4;
constexpr size_t QUERY_INPUT_SIZE = 3;
constexpr size_t QUERY_OUTPUT_SIZE = 1;
constexpr uint8_t QUERY_OUTPUT_PRESET = 13;

// The protocol letter goes as one byte, or as the letter and a zero byte;
// the larger size is the one given here.
inline constexpr ControlCode SetCustom { "IOCTL_VLX_SET_CUSTOM", IOCTL_VLX_SET_CUSTOM, CUSTOM_INPUT_SIZE, 0,
    txt::SetCustomFailed };
inline constexpr ControlCode ResetCustom { "IOCTL_VLX_RESET_CUSTOM", IOCTL_VLX_RESET_CUSTOM, CUSTOM_INPUT_SIZE, 0,
    txt::ResetCustomFailed };
inline constexpr ControlCode SetProtocol { "IOCTL_VLX_SET_PROTOCOL", IOCTL_VLX_SET_PROTOCOL, 2, 0,
    txt::SetProtocolFailed };
inline constexpr ControlCode SetExtra { "IOCTL_VLX_SET_EXTRA", IOCTL_VLX_SET_EXTRA, EXTRA_BUFFER_SIZE, 0,
    txt::SetExtraFailed };
inline constexpr ControlCode GetExtra { "IOCTL_VLX_GET_EXTRA", IOCTL_VLX_GET_EXTRA, EXTRA_BUFFER_SIZE,
    EXTRA_BUFFER_SIZE, txt::GetExtraFailed };
inline constexpr ControlCode GetLastReadResult { "IOCTL_VLX_GET_LAST_READ_RESULT", IOCTL_VLX_GET_LAST_READ_RESULT,
    QUERY_INPUT_SIZE, QUERY_OUTPUT_SIZE, txt::GetLastReadResultFailed };
inline constexpr ControlCode GetLastReadResult2 { "IOCTL_VLX_GET_LAST_READ_RESULT2", IOCTL_VLX_GET_LAST_READ_RESULT2,
    QUERY_INPUT_SIZE, QUERY_OUTPUT_SIZE, txt::GetLastReadResultFailed };
inline constexpr ControlCode FirmwareReset { "IOCTL_VLX_FIRMWARE_RESET", IOCTL_VLX_FIRMWARE_RESET, QUERY_INPUT_SIZE,
    QUERY_OUTPUT_SIZE, txt::FirmwareResetFailed };
inline constexpr ControlCode DumpUart { "IOCTL_VLX_DUMP_UART", IOCTL_VLX_DUMP_UART, QUERY_INPUT_SIZE, QUERY_OUTPUT_SIZE,
    txt::DumpUartFailed };

inline constexpr std::array<ControlCode, 9> allControlCodes { SetCustom, ResetCustom, SetProtocol, SetExtra, GetExtra,
    GetLastReadResult, GetLastReadResult2, FirmwareReset, DumpUart };

// The code with this value, or nullptr (for a driver that wants the sizes).
const ControlCode* findControlCode(uint32_t value);

} // namespace driverext
