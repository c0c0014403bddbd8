#pragma once

#include <cstdint>

namespace portio {

// Running totals of the line errors a receiver has seen, as the driver keeps
// them. Only differences between two readings mean anything.
struct LineCounters {
    uint64_t framing = 0;
    uint64_t parity = 0;
    uint64_t overrun = 0; // the receiver's and the input queue's overruns
    uint64_t brk = 0;
    uint64_t bufferOverrun = 0; // of the overruns, the input queue's (already in overrun)

    LineCounters operator-(const LineCounters& o) const
    {
        return { framing - o.framing, parity - o.parity, overrun - o.overrun, brk - o.brk,
            bufferOverrun - o.bufferOverrun };
    }
    uint64_t total() const { return framing + parity + overrun + brk; }
};

} // namespace portio
