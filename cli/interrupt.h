#pragma once

#include <atomic>

namespace cli {

// Set by the first Ctrl-C (or SIGTERM); a second one ends the program at once.
const std::atomic<bool>& interruptFlag();
void catchInterrupts();

} // namespace cli
