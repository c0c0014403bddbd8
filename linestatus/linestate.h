#pragma once

#include <cstdint>
#include <optional>

namespace linestatus {

// A modem line as a port reports it. Unavailable: the port cannot tell (a
// pseudo-terminal has no modem lines, a closed port tells nothing); such a
// line is never shown as low.
enum class Level : uint8_t {
    Unavailable,
    Low,
    High,
};

const char* levelName(Level level); // "unavailable", "low", "high"

// The driver's line-error counts since the counters were last reset.
struct ErrorCounts {
    uint64_t framing = 0;
    uint64_t parity = 0;
    uint64_t overrun = 0; // characters lost in the receiver
    uint64_t brk = 0;
    uint64_t bufferOverrun = 0; // characters lost because the input queue was full

    bool operator==(const ErrorCounts&) const = default;
};

// What a line-status strip shows, at one moment.
struct LineState {
    Level cts = Level::Unavailable;
    Level dsr = Level::Unavailable;
    Level dcd = Level::Unavailable;
    Level ri = Level::Unavailable;
    Level rts = Level::Unavailable;
    Level dtr = Level::Unavailable;
    uint64_t rxBytes = 0;
    uint64_t txBytes = 0;
    double rxRate = 0; // bytes per second over the last few seconds
    double txRate = 0;
    std::optional<ErrorCounts> errors; // nullopt: the port keeps no counters ("n/a")
    bool portGone = false; // the port was closed or the device went away
    // The last query of the modem lines failed: they show what was last known.
    bool stale = false;

    bool operator==(const LineState&) const = default;
};

} // namespace linestatus
