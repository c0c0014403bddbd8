#include "unsignedentry.h"

#include "portio/blanks.h"

namespace torture {

std::optional<uint32_t> parseUnsignedEntry(std::string_view text)
{
    const std::string_view digits = portio::trimBlanks(text);
    if (digits.empty()) return std::nullopt;
    uint64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
        // Checked per digit, so a long entry cannot wrap the 64-bit sum.
        if (value > UINT32_MAX) return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

} // namespace torture
