#pragma once

#include "commtypes.h"
#include "porterror.h"

namespace portio {

// The one refusal policy every backend shares, the virtual board included:
// what describes no serial line (a rate of 0, 9 data bits, unknown codes,
// stop bits that do not go with the data bits, equal XON and XOFF characters
// while software flow control is on) and what Linux serial drivers cannot do
// (DTR/DSR handshake, RTS toggle). InvalidArgument with the reason. A backend
// adds only the limits of its device (a top rate, what a protocol cannot
// express), never a setting of its own that a real port would refuse.
Status checkLineSettings(const Dcb& dcb);

} // namespace portio
