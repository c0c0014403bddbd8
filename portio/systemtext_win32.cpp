#include "systemtext.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace portio {

std::string systemText(unsigned long err)
{
    char buf[512];
    DWORD n = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, err, 0, buf, sizeof buf, nullptr);
    while (n > 0 && (buf[n - 1] == '\r' || buf[n - 1] == '\n' || buf[n - 1] == ' '))
        --n;
    const std::string code = "error " + std::to_string(err);
    return n ? std::string(buf, n) + " (" + code + ")" : code;
}

} // namespace portio
