#pragma once

#include "runshared.h"
#include "tortureparams.h"
#include "torturewriter.h"

#include "portio/devicenamespace.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace torture {

// The multi-port load run: opens a block of consecutive COM ports, sets their
// baud rate and keeps one writer thread per port busy until stop(). There is
// one run for the process (instance()); it never touches widgets: the user
// interface polls progressText() from a timer.
class TortureRun {
public:
    // Receives the messages a person must see ("SetCommState failed", ...).
    using MessageSink = std::function<void(const std::string&)>;

    TortureRun() = default;
    ~TortureRun(); // stops a run still active
    TortureRun(const TortureRun&) = delete;
    TortureRun& operator=(const TortureRun&) = delete;

    static TortureRun& instance();

    // Opens "\\.\COM<first>" .. "\\.\COM<first+count-1>" in order and starts the
    // writers. Does nothing while a run is active. A port that cannot be opened
    // is reported, the ports opened before it are closed again and no run
    // starts. Returns whether a new run started. The sink is called without
    // any lock held, so it may run an event loop.
    bool start(portio::DeviceNamespace& ns, const TortureParams& params, const MessageSink& sink);
    // Ends the run: no writer writes after it returns, every writer has ended
    // (also one held in a write by flow control) and every port is closed.
    // Does nothing when idle.
    void stop();

    bool running() const;
    // "COM <first COM port>   KB sent: <count>" once for each round of progress:
    // the latest count any writer reached, or nothing when no writer has
    // finished a block since the previous call (or no run is active).
    std::optional<std::string> progressText();
    // Blocks written so far by each running writer, in port order.
    std::vector<uint64_t> blockCounts() const;

private:
    enum class State { Idle, Starting, Running, Stopping };

    std::optional<std::vector<portio::PortPtr>> openPorts(
        portio::DeviceNamespace& ns, const TortureParams& params, const MessageSink& sink);
    void startWriters();
    void stopWriters();

    mutable std::mutex m_mutex;
    State m_state = State::Idle;
    std::vector<portio::PortPtr> m_ports;
    std::vector<std::unique_ptr<TortureWriter>> m_writers;
    RunShared m_shared;
    std::atomic<uint64_t> m_shownUpdates { 0 };
};

} // namespace torture
