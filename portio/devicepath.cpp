#include "devicepath.h"

namespace portio {

std::string devicePath(std::string_view name)
{
    std::string path(DevicePrefix);
    path += name;
    return path;
}

std::string_view withoutDevicePrefix(std::string_view path)
{
    return path.starts_with(DevicePrefix) ? path.substr(DevicePrefix.size()) : path;
}

} // namespace portio
