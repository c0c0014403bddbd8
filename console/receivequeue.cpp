#include "receivequeue.h"

#include <algorithm>

namespace {

// Assigning an empty string keeps the block (its characters are copied into
// it); only a swap hands the block over to be freed.
void release(std::string& s)
{
    std::string().swap(s);
}

} // namespace

ReceiveQueue::ReceiveQueue(size_t maxBacklog)
    : m_maxBacklog(std::max<size_t>(maxBacklog, 1))
{
}

bool ReceiveQueue::push(const void* data, size_t n)
{
    auto* p = static_cast<const char*>(data);
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(m_mutex);
    m_lastPush = now;
    const size_t queued = m_bytes.size() - m_head;
    const size_t half = m_maxBacklog / 2;
    const bool wake = (queued == 0 && m_skipped == 0) || (queued < half && queued + n >= half);
    if (n >= m_maxBacklog) {
        m_skipped += queued + (n - m_maxBacklog);
        m_bytes.assign(p + (n - m_maxBacklog), m_maxBacklog);
        m_head = 0;
        return wake;
    }
    const size_t over = queued + n > m_maxBacklog ? queued + n - m_maxBacklog : 0;
    m_head += over;
    m_skipped += over;
    // The dropped bytes are only stepped over; moving the rest to the front
    // at every push would copy the whole backlog for each small read while
    // the pane is behind. Once a backlog's worth is dropped, one move.
    if (m_head >= m_maxBacklog) dropHead();
    m_bytes.append(p, n);
    return wake;
}

bool ReceiveQueue::halfFull()
{
    std::lock_guard lock(m_mutex);
    return m_bytes.size() - m_head >= m_maxBacklog / 2;
}

ReceiveQueue::Batch ReceiveQueue::take()
{
    std::lock_guard lock(m_mutex);
    dropHead();
    Batch batch { std::move(m_bytes), m_skipped };
    m_bytes = std::move(m_spare);
    m_bytes.clear();
    m_skipped = 0;
    return batch;
}

void ReceiveQueue::giveBack(std::string&& spent)
{
    std::lock_guard lock(m_mutex);
    // Kept while the frames are large: a block far larger than what it
    // held, or than a backlog and what one frame's pushes step over, was a
    // burst's that is over, and goes with what was kept before it.
    if (spent.capacity() > 8 * spent.size() + 65536 || spent.capacity() > 4 * m_maxBacklog) {
        release(m_spare);
        return;
    }
    if (m_bytes.empty() && spent.capacity() > m_bytes.capacity()) {
        m_bytes.swap(spent);
        m_bytes.clear();
        return;
    }
    if (spent.capacity() > m_spare.capacity()) m_spare = std::move(spent);
}

void ReceiveQueue::dropSpare()
{
    std::lock_guard lock(m_mutex);
    release(m_spare);
    if (m_bytes.empty()) release(m_bytes);
}

void ReceiveQueue::dropHead()
{
    m_bytes.erase(0, m_head);
    m_head = 0;
}

std::chrono::steady_clock::duration ReceiveQueue::sinceLastPush()
{
    std::lock_guard lock(m_mutex);
    return std::chrono::steady_clock::now() - m_lastPush;
}
