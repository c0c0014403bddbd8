#pragma once

#include "linestate.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace linestatus {

// What a window's strip counts, kept across its connections: the bytes each
// way and the line errors of connections that ended. The monitor of each
// connection adds to the same tally, so a reconnect goes on counting, and
// bytes moved while no monitor runs (the last chunk before a close, the
// input drained when a device goes) are counted all the same.
//
// Thread-safe; adding bytes is cheap.
class Tally {
public:
    void addReceived(size_t n) { m_rx.fetch_add(n, std::memory_order_relaxed); }
    void addSent(size_t n) { m_tx.fetch_add(n, std::memory_order_relaxed); }
    // Every byte so far, never going back: for the rates.
    uint64_t receivedTotal() const { return m_rx.load(std::memory_order_relaxed); }
    uint64_t sentTotal() const { return m_tx.load(std::memory_order_relaxed); }
    // Since the last reset.
    uint64_t received() const { return since(m_rx, m_rxBase); }
    uint64_t sent() const { return since(m_tx, m_txBase); }

    // The error counts of the connections that ended since the last reset.
    ErrorCounts earlierErrors() const;
    // A connection ended showing `shown` (the earlier errors included).
    void keepErrors(const ErrorCounts& shown);
    void reset();

private:
    // The base first: a reset meanwhile only moves it up to a total this
    // total is not behind.
    static uint64_t since(const std::atomic<uint64_t>& total, const std::atomic<uint64_t>& base)
    {
        const uint64_t from = base.load(std::memory_order_acquire);
        return total.load(std::memory_order_acquire) - from;
    }

    std::atomic<uint64_t> m_rx { 0 };
    std::atomic<uint64_t> m_tx { 0 };
    std::atomic<uint64_t> m_rxBase { 0 };
    std::atomic<uint64_t> m_txBase { 0 };
    mutable std::mutex m_mutex;
    ErrorCounts m_earlierErrors;
};

ErrorCounts operator+(const ErrorCounts& a, const ErrorCounts& b);

} // namespace linestatus
