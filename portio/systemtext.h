#pragma once

#include <string>

namespace portio {

// Windows build only: the system's own words for a Win32 or Winsock error
// code (FormatMessage), followed by the code, e.g. "Access is denied. (error 5)".
std::string systemText(unsigned long err);

} // namespace portio
