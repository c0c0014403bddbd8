#include "porterror.h"

#include <cerrno>
#include <cstring>

// Windows C runtimes have no ESHUTDOWN; Linux's value never comes from them.
#ifndef ESHUTDOWN
#define ESHUTDOWN 108
#endif

namespace portio {

namespace {

ErrorCode codeOf(int err)
{
    switch (err) {
    case 0:
        return ErrorCode::None;
    case ENOENT:
    case ENXIO:
    case ENODEV:
        return ErrorCode::NotFound;
    case EBUSY:
    case EWOULDBLOCK:
        return ErrorCode::Busy;
    case EACCES:
    case EPERM:
    case EROFS:
        return ErrorCode::AccessDenied;
    case ENOTTY:
    case ENOTSUP:
    case ENOSYS:
        return ErrorCode::NotSupported;
    case ETIMEDOUT:
        return ErrorCode::TimedOut;
    case EIO:
    case EPIPE:
    case ESHUTDOWN:
        return ErrorCode::DeviceGone;
    case EINVAL:
    case EFAULT:
    case EISDIR:
        return ErrorCode::InvalidArgument;
    case ECANCELED:
    case EINTR:
        return ErrorCode::Aborted;
    default:
        return ErrorCode::OsFailure;
    }
}

} // namespace

PortError makeError(ErrorCode code, std::string what)
{
    return PortError { code, 0, std::move(what) };
}

PortError errnoError(int err, const std::string& what)
{
    return PortError { codeOf(err), err, what + ": " + std::strerror(err) };
}

const char* errorCodeName(ErrorCode code)
{
    switch (code) {
    case ErrorCode::None:
        return "none";
    case ErrorCode::NotFound:
        return "not found";
    case ErrorCode::Busy:
        return "busy";
    case ErrorCode::AccessDenied:
        return "access denied";
    case ErrorCode::NotSupported:
        return "not supported";
    case ErrorCode::TimedOut:
        return "timed out";
    case ErrorCode::DeviceGone:
        return "device gone";
    case ErrorCode::InvalidArgument:
        return "invalid argument";
    case ErrorCode::Aborted:
        return "aborted";
    case ErrorCode::OsFailure:
        return "OS failure";
    }
    return "unknown";
}

} // namespace portio
