#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace portio {

// What went wrong, as far as a caller needs to decide what to do next.
enum class ErrorCode {
    None, // success
    NotFound, // no such device, or the name is not defined
    Busy, // another handle, thread or process holds the port
    AccessDenied, // the OS refused the access mode
    NotSupported, // the device has no such facility (a pty has no modem lines)
    TimedOut, // a time limit struck before the operation could complete
    DeviceGone, // the device went away (hang-up, unplug, far end closed)
    InvalidArgument, // the request itself is malformed (bad size, bad setting)
    Aborted, // a purge with an abort flag, a mask change or a close ended it
    OsFailure, // anything else the OS reported
};

// An error as a value: the category, the errno behind it (0 when none) and a
// text for people, which includes the OS's own words where there are any.
struct PortError {
    ErrorCode code = ErrorCode::None;
    int osErrno = 0;
    std::string text;

    bool ok() const { return code == ErrorCode::None; }
    explicit operator bool() const { return !ok(); } // true when there is an error
};

using Status = PortError;

inline Status okStatus()
{
    return {};
}

PortError makeError(ErrorCode code, std::string what);
// Turns errno into the enum in one place; `what` names the operation.
PortError errnoError(int err, const std::string& what);
const char* errorCodeName(ErrorCode code);

// Either a value or an error.
template <class T> class Result {
public:
    Result(T value)
        : m_v(std::move(value))
    {
    }
    Result(PortError error)
        : m_v(std::move(error))
    {
    }

    bool ok() const { return std::holds_alternative<T>(m_v); }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<T>(m_v); }
    const T& value() const { return std::get<T>(m_v); }
    T& operator*() { return value(); }
    T* operator->() { return &value(); }
    const PortError& error() const
    {
        static const PortError none;
        return ok() ? none : std::get<PortError>(m_v);
    }

private:
    std::variant<T, PortError> m_v;
};

} // namespace portio
