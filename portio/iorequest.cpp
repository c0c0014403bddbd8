#include "iorequest.h"

namespace portio {

namespace {

// How often cancel() repeats its abort: a read that had not yet begun to
// wait when the first abort came is caught by the next one.
constexpr auto kCancelRetry = std::chrono::milliseconds(10);

} // namespace

IoRequest::~IoRequest()
{
    cancel();
}

Status IoRequest::startRead(Port& port, void* buffer, size_t n)
{
    std::unique_lock lock(m_mutex);
    if (m_pending) return makeError(ErrorCode::Busy, "a read is already pending on this request");
    lock.unlock();
    join();
    lock.lock();
    m_port = &port;
    m_pending = true;
    m_result = {};
    m_thread = std::thread([this, &port, buffer, n] {
        IoResult r = port.read(buffer, n);
        std::lock_guard done(m_mutex);
        m_result = std::move(r);
        m_pending = false;
        m_done.notify_all();
    });
    return okStatus();
}

bool IoRequest::wait(std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_mutex);
    return m_done.wait_for(lock, limit, [this] { return !m_pending; });
}

bool IoRequest::pending() const
{
    std::lock_guard lock(m_mutex);
    return m_pending;
}

void IoRequest::cancel()
{
    std::unique_lock lock(m_mutex);
    while (m_pending) {
        Port* port = m_port;
        lock.unlock();
        (void)port->purge(PURGE_RXABORT);
        lock.lock();
        m_done.wait_for(lock, kCancelRetry, [this] { return !m_pending; });
    }
    lock.unlock();
    join();
}

IoResult IoRequest::result() const
{
    std::lock_guard lock(m_mutex);
    return m_result;
}

void IoRequest::join()
{
    if (m_thread.joinable()) m_thread.join();
}

} // namespace portio
