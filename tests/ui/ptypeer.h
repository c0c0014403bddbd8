#pragma once

#include "tests/support/ptypair.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

// The program on the far end of a pseudo-terminal: a thread reads everything
// the application sends (so a long write never stalls on a full pty), and the
// test writes what the peer "sends".
class PtyPeer {
public:
    PtyPeer();
    ~PtyPeer();

    // The device the application opens.
    const std::string& devicePath() const { return m_pty.slavePath(); }
    bool send(std::string_view bytes) { return m_pty.writeAll(bytes); }
    // Waits (running the event loop) until at least n bytes have come since
    // the last take, then returns all of them: more than n when more came.
    std::string take(size_t n, std::chrono::milliseconds limit = std::chrono::seconds(10));

private:
    void readLoop();
    size_t pending() const;

    PtyPair m_pty;
    mutable std::mutex m_mutex;
    std::string m_received;
    std::atomic<bool> m_stop { false };
    std::thread m_reader;
};
