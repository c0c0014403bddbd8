#pragma once

#include "portio/porterror.h"

#include <string>

namespace portio {

// Turns a Win32 error code (GetLastError()) into the enum in one place, with
// the system's own text for it; `what` names the operation. osErrno carries
// the Win32 code.
PortError win32Error(unsigned long err, const std::string& what);
// The same for the calling thread's last error.
PortError lastWin32Error(const std::string& what);

} // namespace portio
