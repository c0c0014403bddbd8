#include "inputqueue.h"

#include <algorithm>
#include <cstring>
#include <sys/ioctl.h>
#include <unistd.h>

namespace portio {

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
        m_data.resize(m_size);
        const ssize_t r = ::read(fd, m_data.data(), m_data.size());
        if (r <= 0) return r;
        m_begin = 0;
        m_end = size_t(r);
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
    int n = 0;
    if (::ioctl(fd, FIONREAD, &n) != 0) return -1;
    return ssize_t(n) + ssize_t(m_end - m_begin);
}

void InputQueue::clear()
{
    std::lock_guard lock(m_mutex);
    m_begin = m_end = 0;
}

} // namespace portio
