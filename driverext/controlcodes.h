#pragma once

#include "driverprotocol/codes.h"
#include "res/texts.h"

#include <array>
#include <cstdint>

namespace driverext {

// The driver commands speak the driver protocol: its codes and sizes are theirs.
using namespace driverprotocol;

// The value the one-byte results carry when the driver leaves them.
constexpr uint8_t QUERY_OUTPUT_PRESET = 13;

// A code of the board driver and what the user is told when the driver refuses it.
struct ControlCode {
    uint32_t value;
    const char* failureText;
};

inline constexpr ControlCode SetCustom { IOCTL_VLX_SET_CUSTOM, txt::SetCustomFailed };
inline constexpr ControlCode ResetCustom { IOCTL_VLX_RESET_CUSTOM, txt::ResetCustomFailed };
inline constexpr ControlCode SetProtocol { IOCTL_VLX_SET_PROTOCOL, txt::SetProtocolFailed };
inline constexpr ControlCode SetExtra { IOCTL_VLX_SET_EXTRA, txt::SetExtraFailed };
inline constexpr ControlCode GetExtra { IOCTL_VLX_GET_EXTRA, txt::GetExtraFailed };
inline constexpr ControlCode GetLastReadResult { IOCTL_VLX_GET_LAST_READ_RESULT, txt::GetLastReadResultFailed };
inline constexpr ControlCode GetLastReadResult2 { IOCTL_VLX_GET_LAST_READ_RESULT2, txt::GetLastReadResultFailed };
inline constexpr ControlCode FirmwareReset { IOCTL_VLX_FIRMWARE_RESET, txt::FirmwareResetFailed };
inline constexpr ControlCode DumpUart { IOCTL_VLX_DUMP_UART, txt::DumpUartFailed };

inline constexpr std::array<ControlCode, 9> allControlCodes { SetCustom, ResetCustom, SetProtocol, SetExtra, GetExtra,
    GetLastReadResult, GetLastReadResult2, FirmwareReset, DumpUart };

// The code with this value, or nullptr (for a driver that wants the sizes).
const ControlCode* findControlCode(uint32_t value);

} // namespace driverext
