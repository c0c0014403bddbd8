#pragma once

#include <optional>
#include <string>
#include <string_view>

// The places a device name is looked up when this process has not defined
// it: the user's links and the usual Linux numbering of COM ports.
namespace portio::naming {

// ASCII lower case: device names compare without regard to case.
std::string lower(std::string_view s);
// $XDG_CONFIG_HOME/vesperline/dosdevices, or ~/.config/vesperline/dosdevices.
std::string defaultLinkDir();
// The target of the link named `name` (any case) in `linkDir`; a relative
// link is taken relative to the directory.
std::optional<std::string> linkTarget(const std::string& linkDir, const std::string& lowerName);
// COMn -> the n-th node of ttyS0.., ttyUSB0.., ttyACM0.. in `devDir`, each
// series ending at its first missing node.
std::optional<std::string> defaultComTarget(const std::string& devDir, const std::string& lowerName);

} // namespace portio::naming
