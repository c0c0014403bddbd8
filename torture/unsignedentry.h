#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace torture {

// An entry of an unsigned 32-bit field: decimal digits with blanks or tabs
// around them. A sign, any other character, no digits at all or a value that
// does not fit in 32 bits give nothing.
std::optional<uint32_t> parseUnsignedEntry(std::string_view text);

} // namespace torture
