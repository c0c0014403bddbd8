#pragma once

#include "commtypes.h"
#include "porterror.h"

namespace portio {

// The refusals every backend shares: settings that describe no serial line
// (a rate of 0, 9 data bits, unknown codes, stop bits that do not go with the
// data bits, unknown DTR or RTS modes). InvalidArgument with the reason.
Status checkLineSettings(const Dcb& dcb);

} // namespace portio
