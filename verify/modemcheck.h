#pragma once

#include "report.h"

#include "portio/port.h"

#include <atomic>
#include <chrono>

namespace verify {

// Raises and drops RTS and DTR on `driver` and checks that CTS, DSR and DCD
// of `watcher` (the port wired to it; the same port on a loopback plug)
// follow within the time-out, or within the time the watcher may take to
// learn of a change where that is longer. `stop` (may be null) ends the
// check within a poll, as not available.
ModemCheck checkModemLines(portio::Port& driver, portio::Port& watcher, std::chrono::milliseconds timeout,
    const std::atomic<bool>* stop = nullptr);

} // namespace verify
