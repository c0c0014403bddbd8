#pragma once

#include "report.h"
#include "streamchecker.h"
#include "timeline.h"

#include "portio/port.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace verify {

using Clock = std::chrono::steady_clock;

// One port of a run: its handle, what its sender has sent and what its
// receiver has checked. The sender and receiver threads share only the
// atomics; the rest belongs to whoever runs the phase.
struct Lane {
    std::string name;
    std::string device;
    int source = 0; // index of the lane whose data this one receives
    portio::PortPtr port;
    std::string failure; // why the port cannot take part
    std::optional<portio::ErrorCode> openError; // why it could not be opened
    // The XON and XOFF characters the port uses, as it came: kept for the run.
    uint8_t xonChar = 0x11;
    uint8_t xoffChar = 0x13;

    std::atomic<uint64_t> sent { 0 };
    std::atomic<bool> sendDone { false };
    std::atomic<uint64_t> received { 0 };
    std::atomic<bool> receiveDone { false };
    std::string sendFailure;
    std::string receiveFailure;
    std::unique_ptr<StreamChecker> checker;
    // The checker's counts as of its last read, for progress shown while it runs.
    mutable std::mutex countsMutex;
    StreamCounts countsNow;
    std::optional<FirstError> firstErrorNow;
    TimelineRecorder timeline;
    Clock::time_point firstByte {};
    size_t firstCount = 0;
    Clock::time_point lastByte {};

    ModemCheck modem;
    std::optional<LatencyStats> latency;
    std::optional<portio::LineCounters> countersAtStart;
    std::optional<portio::LineCounters> countersSeen; // at the last look during the load

    bool usable() const { return port && failure.empty(); }
};

} // namespace verify
