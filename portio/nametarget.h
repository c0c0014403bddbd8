#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace portio {

// A device name and what it stands for, as written in NAME=TARGET.
struct NameTarget {
    std::string name;
    std::string target;
};

// Splits at the first '=' (a target may hold more of them); nothing when
// either side is empty or there is no '='.
std::optional<NameTarget> parseNameTarget(std::string_view text);

} // namespace portio
