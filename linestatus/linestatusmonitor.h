#pragma once

#include "linestate.h"
#include "ratemeter.h"
#include "tally.h"

#include "portio/port.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace linestatus {

// Watches one open port for a line-status strip: the modem inputs, the
// outputs RTS and DTR, the bytes each way with their rates, and the driver's
// line-error counts. A thread of its own reads the port's modem status and
// counters `interval` apart (20 times a second by default); a blocking wait
// for modem changes (TIOCMIWAIT) cannot be released by the port's close, so
// the monitor polls and a close never waits on it.
//
// Thread-safe. The listener runs on the monitor's thread whenever the state
// changes; it must not destroy the monitor or call stop() (post the state on).
class LineStatusMonitor {
public:
    using Listener = std::function<void(const LineState&)>;
    struct Options {
        std::chrono::milliseconds interval { 50 };
        std::chrono::milliseconds rateWindow = RateMeter::DefaultWindow;
        // Counts shared with other monitors (one connection after another);
        // null: the monitor's own, from 0.
        std::shared_ptr<Tally> tally;
    };

    // Starts watching at once. The counts go on from the tally's, the error
    // counts from the driver's totals as they are now.
    LineStatusMonitor(std::shared_ptr<portio::Port> port, Listener listener, Options options);
    explicit LineStatusMonitor(std::shared_ptr<portio::Port> port, Listener listener = {});
    ~LineStatusMonitor();
    LineStatusMonitor(const LineStatusMonitor&) = delete;
    LineStatusMonitor& operator=(const LineStatusMonitor&) = delete;

    LineState state() const;

    // What the caller's reads and writes moved (any thread, cheap).
    void noteReceived(size_t bytes);
    void noteSent(size_t bytes);
    // Raises or drops an output on the port; the state follows on success.
    portio::Status setRts(bool on);
    portio::Status setDtr(bool on);
    // An output changed by other means (the Assert/Drop commands).
    void noteRts(bool on);
    void noteDtr(bool on);
    // The byte and error counts start again from 0.
    void resetCounters();

    // Ends the watching thread; the state keeps its last values. Idempotent.
    void stop();

private:
    void run();
    LineState poll();
    void takeModem(const portio::Result<uint32_t>& modem);
    void takeErrors(const portio::Result<portio::LineCounters>& counters);
    void takeOutputs(const portio::Dcb& dcb);
    portio::Status drive(bool on, portio::EscapeFunction raise, portio::EscapeFunction drop, Level LineState::*line);
    void note(bool on, Level LineState::*line);

    const std::shared_ptr<portio::Port> m_port;
    const Listener m_listener;
    const Options m_options;

    const std::shared_ptr<Tally> m_tally;

    mutable std::mutex m_mutex;
    LineState m_state;
    bool m_modemLines = true;
    portio::LineCounters m_errorBase;
    portio::LineCounters m_errorLast;
    RateMeter m_rxRate;
    RateMeter m_txRate;
    bool m_stopping = false;
    std::condition_variable m_wake;
    std::thread m_thread;
};

} // namespace linestatus
