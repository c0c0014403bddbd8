#include "unsignedentry.h"

namespace torture {

namespace {
bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}
} // namespace

std::optional<uint32_t> parseUnsignedEntry(std::string_view text)
{
    const std::string_view digits = trimBlanks(text);
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
