#pragma once

#include "devicenamespace.h"

#include <optional>
#include <string>

// What the device namespace leaves to the platform: which targets are device
// nodes, where an undefined name points, and how a device node opens.
namespace portio::devices {

// Whether a target names a device node of this platform (not a regular file).
Status checkTarget(const std::string& target);
// True when a bare name is itself a device path ("/dev/ttyUSB0").
bool isDevicePath(std::string_view name);
// Where an undefined (lower-case) name points, if anywhere.
std::optional<std::string> defaultTarget(const DeviceNamespace::Config& config, const std::string& lowerName);
Result<PortPtr> open(const std::string& target, Access access, OpenPurpose purpose);

} // namespace portio::devices
