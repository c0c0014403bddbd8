#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

namespace verify {

// What went wrong on a port, at one moment of its run.
enum class EventKind : uint8_t {
    Lost,
    Corrupt,
    Duplicate,
    Reordered,
    Misrouted,
    Framing,
    Parity,
    Overrun,
    Break,
    DeviceGone,
};

// "lost", "corrupt", ..., "device gone": the names the reports use.
const char* eventKindName(EventKind kind);

struct TimelineEvent {
    double atS = 0; // since the start of sending
    // Bytes received before the read in which it was found.
    uint64_t offset = 0;
    EventKind kind = EventKind::Lost;
    uint64_t count = 0; // bytes or counts it added
};

// A port's run over time: the bytes received in each interval from the start
// of sending, and its error events in the order found.
struct PortTimeline {
    double intervalS = 0;
    std::vector<uint64_t> bytes;
    std::vector<TimelineEvent> events;
    uint64_t eventsLeftOut = 0; // beyond the events kept
};

// Records one port's timeline as its receiver reads. The storage is taken
// once, at the start: recording costs a division and an addition per read,
// never an allocation. A run too long for its points doubles the interval
// and adds neighbouring points together.
class TimelineRecorder {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr auto Interval = std::chrono::milliseconds(250);
    static constexpr size_t MaxPoints = 2000;
    static constexpr size_t MaxEvents = 1000;

    TimelineRecorder();

    void start(Clock::time_point at) { m_start = at; }
    void addBytes(Clock::time_point at, uint64_t n);
    void addEvent(Clock::time_point at, uint64_t offset, EventKind kind, uint64_t count);
    // As recorded so far; the points run up to the last that received bytes.
    PortTimeline timeline() const;

private:
    size_t slot(Clock::time_point at);
    double secondsOf(Clock::time_point at) const;

    Clock::time_point m_start {};
    Clock::duration m_interval = Interval;
    std::vector<uint64_t> m_bytes; // MaxPoints, taken at construction
    size_t m_used = 0;
    std::vector<TimelineEvent> m_events; // room for MaxEvents
    uint64_t m_eventsLeftOut = 0;
};

} // namespace verify
