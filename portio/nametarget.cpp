#include "nametarget.h"

namespace portio {

std::optional<NameTarget> parseNameTarget(std::string_view text)
{
    const auto eq = text.find('=');
    if (eq == std::string_view::npos || eq == 0 || eq + 1 == text.size()) return std::nullopt;
    return NameTarget { std::string(text.substr(0, eq)), std::string(text.substr(eq + 1)) };
}

} // namespace portio
