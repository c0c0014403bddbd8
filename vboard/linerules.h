#pragma once

#include "portio/commtypes.h"
#include "portio/porterror.h"

#include <chrono>

namespace vboard {

// What a real UART refuses: a zero, negative (read as signed) or too high baud
// rate, data bits outside 5..8, unknown parity, stop-bit or line-control codes,
// and equal XON and XOFF characters while software flow control is on.
portio::Status checkLineSettings(const portio::Dcb& dcb, uint32_t maxBaud);

// Time one character occupies the line: start bit, data bits, parity bit if
// any, stop bits (1.5 counts as 1.5), at the set baud.
std::chrono::nanoseconds characterTime(const portio::Dcb& dcb);

} // namespace vboard
