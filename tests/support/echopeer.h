#pragma once

#include "ptypair.h"

#include <atomic>
#include <thread>

// Sends back whatever the port sends, like a loopback plug or a peer in
// echo mode: the test serves the pty's master itself, so no byte is lost
// on the way.
class EchoPeer {
public:
    explicit EchoPeer(PtyPair& pty)
        : m_thread([this, &pty] {
            while (!m_stop) {
                const std::string got = pty.readExactly(4096, std::chrono::milliseconds(20));
                if (!got.empty()) pty.writeAll(got);
            }
        })
    {
    }
    ~EchoPeer()
    {
        m_stop = true;
        m_thread.join();
    }
    EchoPeer(const EchoPeer&) = delete;
    EchoPeer& operator=(const EchoPeer&) = delete;

private:
    std::atomic<bool> m_stop { false };
    std::thread m_thread;
};
