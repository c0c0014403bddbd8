// The baud rate entry parser against a model built on strtoll.
#include "portsel/integerentry.h"

#include "blanks.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

// Blanks or tabs around; one optional sign, then one or more decimal digits
// and nothing else; the value must fit in 32 signed bits. A zero counts only
// when written without a sign.
std::optional<int32_t> model(std::string_view text)
{
    const auto trimmed = withoutBlanks(text);
    if (!trimmed) return std::nullopt;
    const std::string& entry = *trimmed;
    const size_t signLength = (entry[0] == '+' || entry[0] == '-') ? 1 : 0;
    if (entry.size() == signLength || entry.find_first_not_of("0123456789", signLength) != std::string::npos)
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(entry.c_str(), &end, 10);
    if (errno == ERANGE || end != entry.c_str() + entry.size()) return std::nullopt;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    if (value == 0 && signLength) return std::nullopt;
    return static_cast<int32_t>(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto got = parseIntegerEntry(text);
    if (got != model(text)) __builtin_trap();
    if (got && parseIntegerEntry(std::to_string(*got)) != got) __builtin_trap();
    return 0;
}
