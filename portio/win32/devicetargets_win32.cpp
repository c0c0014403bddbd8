#include "portio/devicetargets.h"

#include "portio/comnaming.h"
#include "portio/devicepath.h"
#include "win32port.h"

#include <algorithm>
#include <cctype>

namespace portio::devices {

namespace {

bool isComName(std::string_view lowerName)
{
    return lowerName.size() > 3 && lowerName.starts_with("com")
        && std::all_of(lowerName.begin() + 3, lowerName.end(), [](unsigned char c) { return std::isdigit(c); });
}

std::string upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

} // namespace

// Windows' own device namespace holds the ports: a target is a device path
// "\\.\NAME"; whether NAME is a port shows when it is opened.
Status checkTarget(const std::string& target)
{
    const auto name = std::string_view(target).substr(std::min(target.size(), DevicePrefix.size()));
    if (!target.starts_with(DevicePrefix) || name.empty()
        || name.find_first_of(std::string_view("\\/\0", 3)) != name.npos)
        return makeError(ErrorCode::InvalidArgument, target + " is not a device path such as \\\\.\\COM5");
    return okStatus();
}

bool isDevicePath(std::string_view)
{
    return false; // "\\.\COM5" has lost its prefix by now and is looked up as COM5
}

// COM1, COM2, ... are Windows' own names: they open as \\.\COMn.
std::optional<std::string> defaultTarget(const DeviceNamespace::Config&, const std::string& lowerName)
{
    if (!isComName(lowerName)) return std::nullopt;
    return devicePath(upper(lowerName));
}

Result<PortPtr> open(const std::string& target, Access access, OpenPurpose purpose)
{
    return openWin32Port(target, access, purpose);
}

} // namespace portio::devices
