#pragma once

#include "portio/commtypes.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace portio {

// Field for field between our Dcb and the Windows DCB; the DCB's other
// fields (its length, reserved words) stay as they came from the driver.
Dcb fromWin32Dcb(const DCB& d);
void toWin32Dcb(const Dcb& dcb, DCB& d);

} // namespace portio
