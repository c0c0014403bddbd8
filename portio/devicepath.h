#pragma once

#include <string>
#include <string_view>

namespace portio {

// Ports are opened by their name behind this prefix, as in "\\.\COM3".
inline constexpr std::string_view DevicePrefix = "\\\\.\\";

// The path that opens the port of this name.
std::string devicePath(std::string_view name);

// The name in a path; a text without the prefix is taken as a name already.
std::string_view withoutDevicePrefix(std::string_view path);

} // namespace portio
