#pragma once

#include <string_view>

namespace portio {

// The text without the blanks and tabs around it.
std::string_view trimBlanks(std::string_view text);

} // namespace portio
