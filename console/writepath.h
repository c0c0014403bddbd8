#pragma once

#include <cstddef>

class ConsoleTarget;
struct PortContext;

// Writes n bytes to the view's connected port and waits for the write to end,
// keeping the windows painted meanwhile (no user input is taken). A write that
// fails or that the write time-out cuts short clears the port's error state;
// nothing is retried and nothing is shown. Returns 1 when the write was
// carried out (also when it ended short), 0 when it could not be started.
int WriteBytes(ConsoleTarget& view, const void* buffer, size_t n);

// The send commands' write: the same steps, without a result.
void writeAndWait(ConsoleTarget& view, const void* buffer, size_t n);
