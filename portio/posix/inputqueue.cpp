#include "inputqueue.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <sys/ioctl.h>
#include <unistd.h>

namespace portio {

namespace {
std::atomic<int64_t> g_ttyCountReuseUs { InputQueue::TtyCountReuse.count() };
}

void InputQueue::setTtyCountReuseForTest(std::chrono::microseconds reuse)
{
    g_ttyCountReuseUs = reuse.count();
}

std::chrono::microseconds InputQueue::ttyCountReuse()
{
    return std::chrono::microseconds(g_ttyCountReuseUs.load(std::memory_order_relaxed));
}

void InputQueue::setSize(size_t bytes)
{
    std::lock_guard lock(m_mutex);
    // What is queued stays; the next fill takes the new size.
    m_size = std::max<size_t>(bytes, 1);
}

ssize_t InputQueue::read(int fd, uint8_t* out, size_t n)
{
    std::lock_guard lock(m_mutex);
    if (m_begin == m_end) {
        // A read as large as the queue gains nothing from passing through it.
        if (n >= m_size) return ::read(fd, out, n);
        m_data.resize(m_size);
        m_ttyCountKnown = false; // what it counted moves here now
        const ssize_t r = ::read(fd, m_data.data(), m_data.size());
        if (r <= 0) return r;
        m_begin = 0;
        m_end = size_t(r);
        // A read that did not fill the queue took all the tty held.
        if (m_end < m_data.size()) noteTtyCount(0, Clock::now());
    }
    const size_t k = std::min(n, m_end - m_begin);
    std::memcpy(out, m_data.data() + m_begin, k);
    m_begin += k;
    return ssize_t(k);
}

bool InputQueue::takeWhole(uint8_t* out, size_t n)
{
    std::lock_guard lock(m_mutex);
    if (n == 0 || m_end - m_begin < n) return false;
    std::memcpy(out, m_data.data() + m_begin, n);
    m_begin += n;
    return true;
}

ssize_t InputQueue::waiting(int fd) const
{
    std::lock_guard lock(m_mutex);
    const size_t ours = m_end - m_begin;
    const auto now = ours > 0 ? Clock::now() : Clock::time_point();
    if (ours > 0 && m_ttyCountKnown && now - m_ttyCountAt < ttyCountReuse()) return ssize_t(m_ttyCount + ours);
    int n = 0;
    if (::ioctl(fd, FIONREAD, &n) != 0) return -1;
    if (ours > 0) noteTtyCount(size_t(n), now);
    return ssize_t(n) + ssize_t(ours);
}

void InputQueue::noteTtyCount(size_t n, Clock::time_point at) const
{
    m_ttyCountKnown = true;
    m_ttyCount = n;
    m_ttyCountAt = at;
}

void InputQueue::clear()
{
    std::lock_guard lock(m_mutex);
    m_begin = m_end = 0;
    m_ttyCountKnown = false;
}

} // namespace portio
