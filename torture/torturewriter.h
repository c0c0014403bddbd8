#pragma once

#include "runshared.h"

#include "portio/port.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>

namespace torture {

// One writer thread of a run: writes 1024-byte blocks to its port while the
// run's flag is set and counts the blocks that went out.
class TortureWriter {
public:
    static constexpr size_t BlockSize = 1024;

    TortureWriter(portio::Port& port, RunShared& shared);
    ~TortureWriter();
    TortureWriter(const TortureWriter&) = delete;
    TortureWriter& operator=(const TortureWriter&) = delete;

    // False when the thread could not be created.
    bool start();
    bool started() const { return m_thread.joinable(); }
    bool finished() const { return m_finished.load(); }
    void join();

    portio::Port& port() { return m_port; }
    uint64_t blocks() const { return m_blocks.load(); }

private:
    void run();
    void markFinished();

    portio::Port& m_port;
    RunShared& m_shared;
    std::atomic<uint64_t> m_blocks { 0 };
    std::atomic<bool> m_finished { false };
    std::thread m_thread;
};

} // namespace torture
