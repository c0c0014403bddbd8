// The torture dialog's unsigned entry parser against a model built on strtoull.
#include "torture/unsignedentry.h"

#include "blanks.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

// Blanks or tabs around, then one or more decimal digits and nothing else;
// strtoull only turns the checked digits into a number.
std::optional<uint32_t> model(std::string_view text)
{
    const auto trimmed = withoutBlanks(text);
    if (!trimmed) return std::nullopt;
    const std::string& digits = *trimmed;
    if (digits.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(digits.c_str(), &end, 10);
    if (errno == ERANGE || value > UINT32_MAX || end != digits.c_str() + digits.size()) return std::nullopt;
    return static_cast<uint32_t>(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto got = torture::parseUnsignedEntry(text);
    if (got != model(text)) __builtin_trap();
    // What the parser accepts it must read back from its own printed form.
    if (got && torture::parseUnsignedEntry(std::to_string(*got)) != got) __builtin_trap();
    return 0;
}
