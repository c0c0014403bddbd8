#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

// Stamps the moment bytes become readable at the far end of a pty, on a
// thread of its own: what the sender does after its write (a pane laying
// out the key it sent) is not counted, however long it takes.
class ArrivalClock {
public:
    using Clock = std::chrono::steady_clock;

    // Reads everything that arrives on `fd` until destroyed.
    explicit ArrivalClock(int fd);
    ~ArrivalClock();
    ArrivalClock(const ArrivalClock&) = delete;
    ArrivalClock& operator=(const ArrivalClock&) = delete;

    // Waits until `total` bytes in all have arrived; when the last of them
    // became readable. Nothing after five seconds, or when more arrived.
    std::optional<Clock::time_point> awaitTotal(uint64_t total);

private:
    void run();

    int m_fd;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    uint64_t m_bytes = 0;
    Clock::time_point m_last;
    std::atomic<bool> m_running { true };
    std::thread m_reader;
};
