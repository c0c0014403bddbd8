#pragma once

#include "boardconfig.h"
#include "boardport.h"
#include "linefaults.h"

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace vboard {

// Everything the board's ports share: one mutex, the wiring between the
// lines, and the character mover that the engine thread runs. Functions
// other than the constructor expect the mutex to be held.
class BoardCore {
public:
    using Lock = std::unique_lock<std::mutex>;

    explicit BoardCore(const BoardConfig& config);

    const BoardConfig& config() const { return m_config; }
    std::mutex& mutex() { return m_mutex; }
    int portCount() const { return int(m_ports.size()); }
    BoardPort& port(int index) { return *m_ports[size_t(index)]; }

    // The port whose receiver hears this port's transmitter (nullptr: none).
    BoardPort* farEnd(BoardPort& p);
    // The port whose transmitter and modem outputs this port hears.
    BoardPort* source(BoardPort& p);
    bool rtsLevel(const BoardPort& p) const;
    bool dtrLevel(const BoardPort& p) const;
    uint32_t modemStatus(BoardPort& p);

    // Moves every character due by `now`; returns when the next one falls due.
    std::optional<portio::Clock::time_point> pump(portio::Clock::time_point now);
    bool pumpPort(BoardPort& p, portio::Clock::time_point now);
    // Data or a change of flow state may let this port's line (and its far
    // end's) send again.
    void linesChanged(BoardPort& p);
    // Adds to the output queue, or ahead of it; an idle line starts now.
    void queueOutput(BoardPort& p, const uint8_t* data, size_t n);
    void queueUrgent(BoardPort& p, uint8_t byte);
    // True when what waits to be sent goes out within the next tick: the
    // transmitter has it, as a UART's FIFO has the last bytes of a write,
    // and the write may end. The engine moves characters no finer than that.
    bool sendsWithinTick(BoardPort& p);
    size_t charactersPerTick(const BoardPort& p) const;
    // A byte that arrives at a receiver, through the overrun and flow rules;
    // the caller wakes the receiver's waiters.
    void receive(BoardPort& r, uint8_t byte, const BoardPort* sender);
    // Bytes that arrive together on a line nothing can damage or hold.
    void receiveMany(BoardPort& r, std::deque<uint8_t>::const_iterator from, size_t n, uint8_t mask);
    // Raises line-error flags and counts them, `times` over.
    void flagError(BoardPort& p, uint32_t ceFlags, uint64_t times = 1);
    // Takes up to n bytes from the input queue.
    size_t take(BoardPort& p, uint8_t* buffer, size_t n);
    void resetLine(BoardPort& p);
    std::string registerDump(BoardPort& p);

    // Wakes every waiter of the port: its state changed in a way any of them
    // may care about (close, purge, unplug, event mask, queue sizes).
    void wakeAll(BoardPort& p);
    // After characters moved: wakes only the waiters whose level is reached.
    void inputArrived(BoardPort& p, portio::Clock::time_point at);
    void outputMoved(BoardPort& p);
    // Waits until the input queue holds `level` bytes, until the time limit,
    // or until wakeAll().
    void waitForInput(BoardPort& p, Lock& lock, size_t level, std::optional<portio::Clock::time_point> until);
    // Waits until at most `level` bytes wait to be sent, the limit, or wakeAll().
    void waitForOutput(BoardPort& p, Lock& lock, size_t level, std::optional<portio::Clock::time_point> until);
    // The input level for a read that still needs `needed` bytes: never more
    // than flow control lets in before it holds the sender.
    size_t inputLevel(const BoardPort& p, size_t needed) const;

    // Engine scheduling.
    bool stopping() const { return m_stop; }
    void requestStop();
    void sleepUntilDue(Lock& lock, std::optional<portio::Clock::time_point> due);

    std::function<void(std::string)> debugSink;

private:
    BoardPort* wiredTo(int index);
    bool hasTx(const BoardPort& p) const { return !p.urgent.empty() || !p.out.empty(); }
    bool txHeld(BoardPort& p);
    bool cts(BoardPort& p);
    bool dsr(BoardPort& p);
    size_t lowWater(const BoardPort& p) const;
    size_t highWaterFree(const BoardPort& p) const;
    void startLine(BoardPort& p);
    void wakeIdleLine(BoardPort& p);
    bool takeSoftFlow(BoardPort& r, uint8_t byte);
    void checkHighWater(BoardPort& r);
    bool plainLine(const BoardPort& p, const BoardPort* f) const;
    bool movePlain(BoardPort& p, BoardPort* f, portio::Clock::time_point now);
    bool moveEach(BoardPort& p, BoardPort* f, portio::Clock::time_point now);
    void kick(portio::Clock::time_point due);

    BoardConfig m_config;
    LineFaults m_faults;
    std::mutex m_mutex;
    std::vector<std::unique_ptr<BoardPort>> m_ports;
    std::condition_variable m_engineCv;
    portio::Clock::time_point m_wakeAt = portio::Clock::time_point::max();
    portio::Clock::time_point m_floor {}; // no batch before this

    // Lines started while the engine is moving characters: it looks at them
    // before it sleeps.
    portio::Clock::time_point m_kicked = portio::Clock::time_point::max();
    bool m_engineAwake = false;
    bool m_stop = false;
};

} // namespace vboard
