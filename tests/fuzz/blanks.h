#pragma once

#include <optional>
#include <string>
#include <string_view>

// The text between leading and trailing blanks or tabs; nothing when there is
// none. Shared by the entry parsers' models.
inline std::optional<std::string> withoutBlanks(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    const auto last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}
