#include "win32overlapped.h"

namespace portio {

namespace {

DWORD waitMs(std::optional<std::chrono::steady_clock::duration> limit)
{
    if (!limit) return INFINITE;
    if (*limit <= std::chrono::steady_clock::duration::zero()) return 0;
    // Rounded up: a wait that ends early would find the limit not yet reached.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(*limit).count();
    return ms >= INFINITE ? INFINITE - 1 : DWORD(ms);
}

} // namespace

OverlappedCall::OverlappedCall(HANDLE handle)
    : m_handle(handle)
{
    m_ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

OverlappedCall::~OverlappedCall()
{
    if (m_pending) {
        cancel();
        finish();
    }
    if (m_ov.hEvent) CloseHandle(m_ov.hEvent);
}

bool OverlappedCall::start(const std::function<BOOL(OVERLAPPED*)>& request)
{
    if (!m_ov.hEvent) {
        m_error = GetLastError();
        return false;
    }
    if (request(&m_ov)) {
        m_pending = true; // done at once; finish() still collects the count
        return true;
    }
    m_error = GetLastError();
    if (m_error != ERROR_IO_PENDING) return false;
    m_error = 0;
    m_pending = true;
    return true;
}

bool OverlappedCall::wait(std::optional<std::chrono::steady_clock::duration> limit)
{
    return !m_pending || WaitForSingleObject(m_ov.hEvent, waitMs(limit)) == WAIT_OBJECT_0;
}

void OverlappedCall::cancel()
{
    if (m_pending) CancelIoEx(m_handle, &m_ov);
}

DWORD OverlappedCall::finish()
{
    if (!m_pending) return m_count;
    m_pending = false;
    if (!GetOverlappedResult(m_handle, &m_ov, &m_count, TRUE)) m_error = GetLastError();
    return m_count;
}

} // namespace portio
