#pragma once

#include "portio/wake.h"

#include <mutex>

namespace portio {

class Rfc2217Port;

// Lets another thread end one open of a remote port while it waits for the
// server (a stop, Ctrl-C): the connect returns at once, and so do the
// negotiation and the first requests, with an Aborted error.
class OpenAbort {
public:
    void abort();
    bool aborted() const;
    // The wake the connect waits with.
    const Wake& wake() const { return m_wake; }
    // The port being started, which an abort ends (null: none now).
    void attach(Rfc2217Port* port);

private:
    mutable std::mutex m_mutex;
    bool m_aborted = false;
    Rfc2217Port* m_port = nullptr;
    Wake m_wake;
};

} // namespace portio
