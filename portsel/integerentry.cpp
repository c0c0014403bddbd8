#include "integerentry.h"

#include "portio/blanks.h"

#include <limits>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Digits only, accumulated in 64 bits and stopped as soon as the magnitude
// leaves the 32-bit range, so any number of digits is safe.
std::optional<int64_t> parseMagnitude(std::string_view digits)
{
    constexpr int64_t limit = int64_t(std::numeric_limits<int32_t>::max()) + 1;
    if (digits.empty()) return std::nullopt;
    int64_t value = 0;
    for (char c : digits) {
        if (!isDigit(c)) return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > limit) return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<int32_t> parseIntegerEntry(std::string_view text)
{
    text = portio::trimBlanks(text);
    if (text.empty()) return std::nullopt;
    const bool startsWithZero = text.front() == '0';
    const bool negative = text.front() == '-';
    if (negative || text.front() == '+') text.remove_prefix(1);
    const auto magnitude = parseMagnitude(text);
    if (!magnitude) return std::nullopt;
    const int64_t value = negative ? -*magnitude : *magnitude;
    if (value == 0 && !startsWithZero) return std::nullopt;
    if (value > std::numeric_limits<int32_t>::max() || value < std::numeric_limits<int32_t>::min()) return std::nullopt;
    return static_cast<int32_t>(value);
}
