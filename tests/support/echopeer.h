#pragma once

#include "ptypair.h"

#include <atomic>
#include <string>
#include <thread>

// Sends back whatever the port sends, like a loopback plug or a peer in
// echo mode: the test serves the pty's master itself, so no byte is lost
// on the way. With dropEvery it leaves out every dropEvery-th byte, as a
// line that loses bytes does.
class EchoPeer {
public:
    explicit EchoPeer(PtyPair& pty, size_t dropEvery = 0)
        : m_thread([this, &pty, dropEvery] {
            while (!m_stop) {
                const std::string got = pty.readExactly(4096, std::chrono::milliseconds(20));
                std::string back;
                for (char c : got)
                    if (!dropEvery || ++m_taken % dropEvery != 0) back.push_back(c);
                if (!dropEvery) m_taken += got.size();
                if (!back.empty()) pty.writeAll(back);
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

    // Bytes the port has sent so far.
    size_t taken() const { return m_taken; }

private:
    std::atomic<bool> m_stop { false };
    std::atomic<size_t> m_taken { 0 };
    std::thread m_thread;
};
