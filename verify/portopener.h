#pragma once

#include "portio/devicenamespace.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace verify {

// Opens a run's ports, several at once: a remote port may take seconds to
// connect, and a lab of them should not take that many times over. A stop
// ends the waiting at once; opens still under way finish in the background
// and their ports are closed, by the latest when this object goes.
class PortOpener {
public:
    PortOpener(portio::DeviceNamespace& ns, std::vector<std::string> names, size_t workers = 16);
    ~PortOpener();
    PortOpener(const PortOpener&) = delete;
    PortOpener& operator=(const PortOpener&) = delete;

    // Waits until every port has been tried or `stop` is set (may be null);
    // true when every port has been tried.
    bool wait(const std::atomic<bool>* stop);
    // What opening port i gave; nothing when it was not tried or its open
    // ended after a stop. Each is taken once; those not taken are closed.
    std::optional<portio::Result<portio::PortPtr>> take(size_t i);

private:
    void work();
    // Starts nothing more and aborts the opens under way; true when there
    // were any. Called and returns with the lock held.
    bool abandon(std::unique_lock<std::mutex>& lock);

    portio::DeviceNamespace& m_ns;
    std::vector<std::string> m_names;
    std::vector<std::optional<portio::Result<portio::PortPtr>>> m_results; // under m_mutex
    std::vector<char> m_ended; // under m_mutex: whether open i has returned (its result may be taken since)
    size_t m_next = 0; // under m_mutex
    size_t m_done = 0; // under m_mutex
    bool m_abandoned = false; // under m_mutex: nothing more is started or handed out
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::thread> m_workers;
};

} // namespace verify
