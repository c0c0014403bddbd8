#include "linechoices.h"

#include <array>

namespace {

constexpr std::array<uint32_t, 5> kDataBitsValues { 5, 6, 7, 8, 0 };
constexpr std::array<const char*, 4> kDataBitsTexts { "5", "6", "7", "8" };

constexpr std::array<uint32_t, 4> kStopBitsValues { 0, 1, 2, 0xFFFF };
constexpr std::array<const char*, 3> kStopBitsTexts { "1", "1.5", "2" };

// Shown in the order people expect, stored as the platform's parity codes.
constexpr std::array<uint32_t, 6> kParityValues { 0, 2, 1, 3, 4, 0xFFFF };
constexpr std::array<const char*, 5> kParityTexts { "None", "Even", "Odd", "Mark", "Space" };

} // namespace

size_t LineChoices::count() const
{
    size_t n = 0;
    while (n < values.size() && n < texts.size() && values[n] != sentinel)
        ++n;
    return n;
}

std::optional<uint8_t> LineChoices::valueAt(int index) const
{
    if (index < 0 || size_t(index) >= count()) return std::nullopt;
    return static_cast<uint8_t>(values[size_t(index)] & 0xFF);
}

const LineChoices& dataBitsChoices()
{
    static const LineChoices choices { kDataBitsValues, kDataBitsTexts, 0, 3 };
    return choices;
}

const LineChoices& stopBitsChoices()
{
    static const LineChoices choices { kStopBitsValues, kStopBitsTexts, 0xFFFF, 0 };
    return choices;
}

const LineChoices& parityChoices()
{
    static const LineChoices choices { kParityValues, kParityTexts, 0xFFFF, 0 };
    return choices;
}
