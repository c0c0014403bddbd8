#pragma once

#include "portio/portsync.h"
#include "win32overlapped.h"

#include <condition_variable>
#include <mutex>
#include <vector>

namespace portio {

// Bookkeeping shared by the calls of one Win32 port: which calls are inside
// it (so that close can wait until they have left) and which overlapped
// requests are pending, so that a mask change, an abort purge or close can
// cancel the right ones (CancelIoEx) whatever the driver itself does.
class Win32Sync {
public:
    // Counts the releases of one kind; a release after a call took its
    // ticket ends the call's requests, even one not yet started.
    using Ticket = uint64_t;

    bool enter();
    void leave();
    bool closing() const;
    Ticket ticket(WaitKind kind) const;

    // Registers a started request of a call; a release since `ticket`
    // cancels it at once. disarm() takes it off and says whether a release
    // cancelled it.
    void arm(OverlappedCall& call, WaitKind kind, Ticket ticket);
    bool disarm(OverlappedCall& call);
    // Whether a release has cancelled the armed request.
    bool released(const OverlappedCall& call) const;

    // Cancels every request of the kinds.
    void release(unsigned kinds);
    // Refuses new calls, cancels the pending ones and returns once every
    // call has left.
    void closeAndDrain();

private:
    struct Armed {
        OverlappedCall* call;
        WaitKind kind;
        bool released;
    };
    static int slot(unsigned kind);

    mutable std::mutex m_mutex;
    std::condition_variable m_left;
    bool m_closing = false;
    int m_inFlight = 0;
    Ticket m_releases[3] = {};
    std::vector<Armed> m_armed;
};

// Enters a port for the length of a call.
class Win32CallGuard {
public:
    explicit Win32CallGuard(Win32Sync& sync)
        : m_sync(sync)
        , m_entered(sync.enter())
    {
    }
    ~Win32CallGuard()
    {
        if (m_entered) m_sync.leave();
    }
    Win32CallGuard(const Win32CallGuard&) = delete;
    Win32CallGuard& operator=(const Win32CallGuard&) = delete;
    explicit operator bool() const { return m_entered; }

private:
    Win32Sync& m_sync;
    bool m_entered;
};

} // namespace portio
