#include "tally.h"

namespace linestatus {

ErrorCounts Tally::earlierErrors() const
{
    std::lock_guard lock(m_mutex);
    return m_earlierErrors;
}

void Tally::keepErrors(const ErrorCounts& shown)
{
    std::lock_guard lock(m_mutex);
    m_earlierErrors = shown;
}

void Tally::reset()
{
    m_rxBase.store(receivedTotal(), std::memory_order_relaxed);
    m_txBase.store(sentTotal(), std::memory_order_relaxed);
    std::lock_guard lock(m_mutex);
    m_earlierErrors = {};
}

ErrorCounts operator+(const ErrorCounts& a, const ErrorCounts& b)
{
    return { a.framing + b.framing, a.parity + b.parity, a.overrun + b.overrun, a.brk + b.brk,
        a.bufferOverrun + b.bufferOverrun };
}

} // namespace linestatus
