#include "receivequeue.h"

#include <algorithm>

ReceiveQueue::ReceiveQueue(size_t maxBacklog)
    : m_maxBacklog(std::max<size_t>(maxBacklog, 1))
{
}

bool ReceiveQueue::push(const void* data, size_t n)
{
    auto* p = static_cast<const char*>(data);
    std::lock_guard lock(m_mutex);
    const bool wasEmpty = m_bytes.empty() && m_skipped == 0;
    if (n >= m_maxBacklog) {
        m_skipped += m_bytes.size() + (n - m_maxBacklog);
        m_bytes.assign(p + (n - m_maxBacklog), m_maxBacklog);
        return wasEmpty;
    }
    const size_t over = m_bytes.size() + n > m_maxBacklog ? m_bytes.size() + n - m_maxBacklog : 0;
    if (over > 0) {
        m_bytes.erase(0, over);
        m_skipped += over;
    }
    m_bytes.append(p, n);
    return wasEmpty;
}

ReceiveQueue::Batch ReceiveQueue::take()
{
    std::lock_guard lock(m_mutex);
    Batch batch { std::move(m_bytes), m_skipped };
    m_bytes.clear();
    m_skipped = 0;
    return batch;
}
