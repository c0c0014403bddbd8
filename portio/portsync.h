#pragma once

#include "timeouts.h"
#include "wake.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace portio {

// What a blocked call waits for besides its device, so that the right ones
// are released: a mask change releases event waits, an abort purge the reads
// or the writes, a close all of them.
enum WaitKind : unsigned {
    WaitRead = 1,
    WaitWrite = 2,
    WaitEvent = 4,
    WaitAll = 7,
};

enum class WaitOutcome {
    Ready, // the device has what was asked for (or reports a condition)
    TimedOut,
    Released, // purge, mask change or close
    Gone, // hang-up or error on the device
    Failed, // poll itself failed
};

// Bookkeeping shared by the calls of one port: which calls are inside it (so
// that close can wait until they have left) and which are blocked (each on a
// Wake of its own, so that a release is never lost between the blocked
// call's last look at the state and its wait).
class PortSync {
public:
    struct Waiter {
        Wake* wake = nullptr;
        unsigned kind = 0;
        bool rung = false; // the wake holds a ring to drain
    };
    // Counts the releases of one kind; a call takes it when it starts, and a
    // release after that ends the call's waits, even one not yet begun.
    using Ticket = uint64_t;

    PortSync() = default;
    ~PortSync();
    PortSync(const PortSync&) = delete;
    PortSync& operator=(const PortSync&) = delete;

    // A call enters before it touches the device; false once close has begun.
    bool enter();
    void leave();
    bool closing() const;
    Ticket ticket(WaitKind kind) const;

    // Blocks until the device fd reports `events`, the waiter is released, or
    // the time has passed (nullopt: no limit). POSIX only (poll()).
    WaitOutcome wait(int deviceFd, short events, WaitKind kind, Ticket ticket, std::optional<Clock::duration> limit);

    // A call about to block on something of its own (a socket), registered
    // for as long as this lives: a release of its kind or close rings wake().
    class Waiting {
    public:
        Waiting(PortSync& sync, WaitKind kind, Ticket ticket);
        ~Waiting();
        Waiting(const Waiting&) = delete;
        Waiting& operator=(const Waiting&) = delete;
        // Ready: the wait may begin. Released: a release or close came
        // first. Failed: there is no wake-up to wait with.
        WaitOutcome admitted() const { return m_admitted; }
        const Wake& wake() const { return *m_waiter.wake; }

    private:
        PortSync& m_sync;
        Waiter m_waiter;
        WaitOutcome m_admitted;
    };

    // Releases every waiter of the kinds.
    void release(unsigned kinds);
    // Refuses new calls, releases the blocked ones and returns once every
    // call has left.
    void closeAndDrain();

private:
    WaitOutcome addWaiter(Waiter& w, Ticket ticket);
    void removeWaiter(Waiter& w);
    std::unique_ptr<Wake> takeWake();
    static int slot(unsigned kind);

    mutable std::mutex m_mutex;
    std::condition_variable m_left;
    bool m_closing = false;
    int m_inFlight = 0;
    Ticket m_releases[3] = {};
    std::vector<Waiter*> m_waiters;
    std::vector<std::unique_ptr<Wake>> m_spareWakes;
};

// Enters a port for the length of a call.
class CallGuard {
public:
    explicit CallGuard(PortSync& sync)
        : m_sync(sync)
        , m_entered(sync.enter())
    {
    }
    ~CallGuard()
    {
        if (m_entered) m_sync.leave();
    }
    CallGuard(const CallGuard&) = delete;
    CallGuard& operator=(const CallGuard&) = delete;
    explicit operator bool() const { return m_entered; }

private:
    PortSync& m_sync;
    bool m_entered;
};

} // namespace portio
