#pragma once

#include "verify/settings.h"

#include <chrono>
#include <optional>
#include <string>

namespace cli {

// "60s", "500ms", "2m", "1h" or a plain number of seconds.
std::optional<std::chrono::milliseconds> parseDuration(const std::string& text);
// The names the options take; nullopt for anything else.
std::optional<uint8_t> parityCode(const std::string& name);
std::optional<uint8_t> stopBitsCode(const std::string& name);
std::optional<verify::Flow> flowCode(const std::string& name);
std::optional<verify::ModemLines> modemLinesChoice(const std::string& name);

} // namespace cli
