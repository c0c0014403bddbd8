#include "win32error.h"

#include "portio/systemtext.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace portio {

namespace {

ErrorCode codeOf(DWORD err)
{
    switch (err) {
    case ERROR_SUCCESS:
        return ErrorCode::None;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return ErrorCode::NotFound;
    case ERROR_ACCESS_DENIED: // what a second open of a COM port gets
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
        return ErrorCode::Busy;
    case ERROR_WRITE_PROTECT:
        return ErrorCode::AccessDenied;
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
    case ERROR_CALL_NOT_IMPLEMENTED:
        return ErrorCode::NotSupported;
    case ERROR_SEM_TIMEOUT:
    case WAIT_TIMEOUT:
        return ErrorCode::TimedOut;
    case ERROR_DEVICE_REMOVED:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_BAD_COMMAND:
    case ERROR_IO_DEVICE:
    case ERROR_GEN_FAILURE:
    case ERROR_BROKEN_PIPE:
        return ErrorCode::DeviceGone;
    case ERROR_INVALID_PARAMETER:
    case ERROR_INSUFFICIENT_BUFFER:
    case ERROR_INVALID_USER_BUFFER:
        return ErrorCode::InvalidArgument;
    case ERROR_OPERATION_ABORTED:
        return ErrorCode::Aborted;
    default:
        return ErrorCode::OsFailure;
    }
}

} // namespace

PortError win32Error(unsigned long err, const std::string& what)
{
    return PortError { codeOf(err), int(err), what + ": " + systemText(err) };
}

PortError lastWin32Error(const std::string& what)
{
    return win32Error(GetLastError(), what);
}

} // namespace portio
