#pragma once

#include "report.h"

#include "portio/port.h"

#include <atomic>
#include <chrono>

namespace verify {

// Round trips of one byte: `out` sends, `in` receives; when they are two
// ports, `in` sends the byte back and `out` receives it. A port on a
// loopback plug, or with a peer that echoes, is both. Changes the ports'
// time-outs. `stop` (may be null) ends the measurement within a short wait,
// as an error.
portio::Result<LatencyStats> measureLatency(portio::Port& out, portio::Port& in, int samples,
    std::chrono::milliseconds timeout, const std::atomic<bool>* stop = nullptr);

// Median and 99th percentile of the samples (microseconds).
LatencyStats summarise(std::vector<double> samplesUs);

} // namespace verify
