#include "portio/devicetargets.h"

#include "portio/comnaming.h"
#include "posixport.h"

#include <cerrno>
#include <sys/stat.h>

namespace portio::devices {

Status checkTarget(const std::string& target)
{
    // stat() would stop at a zero byte and judge a different path than the one stored.
    if (target.find('\0') != std::string::npos)
        return makeError(ErrorCode::InvalidArgument, "a target with a zero byte is not a port");
    struct stat st { };
    if (::stat(target.c_str(), &st) != 0) return errnoError(errno, target);
    if (!S_ISCHR(st.st_mode)) return makeError(ErrorCode::InvalidArgument, target + " is not a port");
    return okStatus();
}

bool isDevicePath(std::string_view name)
{
    return name.starts_with('/');
}

std::optional<std::string> defaultTarget(const DeviceNamespace::Config& config, const std::string& lowerName)
{
    if (auto t = naming::linkTarget(config.linkDir, lowerName)) return t;
    return naming::defaultComTarget(config.devDir, lowerName);
}

Result<PortPtr> open(const std::string& target, Access access, OpenPurpose purpose)
{
    return openPosixPort(target, access, purpose);
}

} // namespace portio::devices
