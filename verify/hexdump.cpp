#include "hexdump.h"

namespace verify {

std::string hexBytes(const uint8_t* data, size_t n)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        if (i) s += ' ';
        s += digits[data[i] >> 4];
        s += digits[data[i] & 0xF];
    }
    return s;
}

} // namespace verify
