#pragma once

#include "boardcore.h"

#include <chrono>
#include <ctime>
#include <memory>
#include <thread>

namespace vboard {

// The one thread that moves characters on every line of the board. It sleeps
// until the next character falls due on any line, never more often than the
// board's tick.
class LineEngine {
public:
    explicit LineEngine(std::shared_ptr<BoardCore> core);
    ~LineEngine();
    LineEngine(const LineEngine&) = delete;
    LineEngine& operator=(const LineEngine&) = delete;

    // CPU time the engine thread has used so far.
    std::chrono::nanoseconds cpuTime() const;

private:
    void run();

    std::shared_ptr<BoardCore> m_core;
    std::thread m_thread;
    clockid_t m_clock {};
};

} // namespace vboard
