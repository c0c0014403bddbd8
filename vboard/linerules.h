#pragma once

#include "portio/commtypes.h"
#include "portio/porterror.h"

#include <chrono>

namespace vboard {

// What a port of the board refuses: what every port refuses (the shared
// policy, so that nothing passes on the board that a real tty refuses) and a
// rate above the board's top rate.
portio::Status checkBoardLineSettings(const portio::Dcb& dcb, uint32_t maxBaud);

// The settings as a Linux port keeps them: always binary, and hardware flow
// is one switch (CTS output flow and RTS handshake come and go together).
portio::Dcb carriedLineSettings(portio::Dcb dcb);

// Time one character occupies the line: start bit, data bits, parity bit if
// any, stop bits (1.5 counts as 1.5), at the set baud.
std::chrono::nanoseconds characterTime(const portio::Dcb& dcb);

} // namespace vboard
