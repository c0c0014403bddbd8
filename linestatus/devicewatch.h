#pragma once

#include "portio/porterror.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>

namespace linestatus {

// Watches the device node of an open port, for reconnecting: says when the
// device has gone (the node disappears, or a read failed with DeviceGone) and
// when the same device is back (the node is there again and, where udev knows
// a serial number, with the same serial; after a read error the node must
// have changed, since the old device is dead). Opening the port again is the
// caller's part. Board ports and remote ports have no node: nothing is said.
//
// The listener runs on the watch's own thread (Gone before Back); it must not
// destroy the watch.
class DeviceWatch {
public:
    enum class Event { Gone, Back };
    using Listener = std::function<void(Event)>;

    DeviceWatch(
        std::string path, Listener listener, std::chrono::milliseconds interval = std::chrono::milliseconds(100));
    ~DeviceWatch();
    DeviceWatch(const DeviceWatch&) = delete;
    DeviceWatch& operator=(const DeviceWatch&) = delete;

    // A read or write of the port failed; DeviceGone means the device is gone.
    void noteError(const portio::PortError& error);
    bool present() const;
    // The caller could not open the device that is back: Back is said again
    // after `after`, unless the device has gone meanwhile.
    void retryBack(std::chrono::milliseconds after);
    void stop();

private:
    struct Node {
        bool there = false;
        dev_t device = 0;
    };
    Node look() const;
    void run();
    void check();
    void tell(Event event);

    const std::string m_path;
    const Listener m_listener;
    const std::chrono::milliseconds m_interval;
    std::string m_serial; // empty: udev knows none

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    bool m_present = true;
    bool m_sawAbsent = false; // since it went
    bool m_tellGone = false;
    dev_t m_device = 0; // the device the node led to while present
    std::optional<std::chrono::steady_clock::time_point> m_retryAt;
    std::thread m_thread;
};

} // namespace linestatus
