#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace portio {

// One overlapped request on a handle, with its own event: started, waited
// for with a limit, cancelled, finished. The destructor cancels a request
// still pending and waits for it, so the buffers it uses may live on the
// caller's stack.
class OverlappedCall {
public:
    explicit OverlappedCall(HANDLE handle);
    ~OverlappedCall();
    OverlappedCall(const OverlappedCall&) = delete;
    OverlappedCall& operator=(const OverlappedCall&) = delete;

    // Starts the request (ReadFile, WriteFile, WaitCommEvent, DeviceIoControl
    // on the record given); false when it failed at once, with error() set.
    bool start(const std::function<BOOL(OVERLAPPED*)>& request);
    // True when the request has ended within the limit (nullopt: no limit).
    bool wait(std::optional<std::chrono::steady_clock::duration> limit);
    void cancel();
    // Waits for the end and gives the bytes moved; error() is 0 on success.
    DWORD finish();
    DWORD error() const { return m_error; }
    OVERLAPPED* record() { return &m_ov; }

private:
    HANDLE m_handle;
    OVERLAPPED m_ov {};
    bool m_pending = false;
    DWORD m_count = 0;
    DWORD m_error = 0;
};

} // namespace portio
