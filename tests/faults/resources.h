#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

// What a fault may leave behind: open descriptors and threads of this process.
struct ResourceCounts {
    int fds = 0;
    int threads = 0;
};

ResourceCounts countResources();
// Resident memory of this process in KiB (VmRSS).
long residentKiB();
std::string describe(const ResourceCounts& counts);

// The counts when a case begins; restored() waits, with the event loop
// running, until the process is back to them (or the limit has passed).
class Baseline {
public:
    Baseline();
    bool restored(std::chrono::milliseconds limit = std::chrono::seconds(5)) const;
    std::string report() const;
    const ResourceCounts& start() const { return m_start; }

private:
    ResourceCounts m_start;
};

// Ends the process with a message when a case has not finished within its
// limit: a hang becomes a failure instead of a stuck test run.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};
