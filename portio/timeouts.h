#pragma once

#include "commtypes.h"

#include <chrono>
#include <cstddef>
#include <optional>

namespace portio {

using Clock = std::chrono::steady_clock;

// The read time-out rules of the Windows communications API, in one place for
// every backend:
// - total limit = multiplier x bytes asked + constant; none when both are 0;
// - interval = the longest gap between two bytes, timed from the first byte;
//   0 means none;
// - interval MAXDWORD with both totals 0: return at once with what is waiting;
// - interval MAXDWORD and multiplier MAXDWORD with 0 < constant < MAXDWORD:
//   return at once if anything waits, else with the first byte that arrives,
//   else after the constant;
// - any other interval of MAXDWORD counts as no interval limit;
// - all three 0: the read ends only when every byte asked for has arrived.
class ReadDeadline {
public:
    ReadDeadline(const CommTimeouts& timeouts, size_t requested, Clock::time_point start);

    // True when the read ends as soon as it holds at least one byte.
    bool returnsWithAny() const { return m_returnWithAny; }
    // How long the read may still wait for more, given how many bytes it
    // holds and when the last one came; nullopt means no limit, zero means
    // the read ends now.
    std::optional<Clock::duration> remaining(size_t have, Clock::time_point now, Clock::time_point lastByte) const;

private:
    std::optional<Clock::time_point> m_total;
    std::optional<Clock::duration> m_interval;
    size_t m_requested;
    bool m_returnWithAny = false;
    bool m_immediate = false;
};

// Write rule: total limit = multiplier x bytes + constant; none when both are
// 0. At the limit the write ends with what was sent and the rest is dropped.
std::optional<Clock::time_point> writeDeadline(const CommTimeouts& timeouts, size_t n, Clock::time_point start);

// A wait's limit in the milliseconds of poll() and select(): -1 for none,
// rounded up so that a wait never ends just before its deadline.
int waitMilliseconds(std::optional<Clock::duration> limit);

} // namespace portio
