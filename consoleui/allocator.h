#pragma once

// The receive panes take data in batches of up to several hundred kilobytes,
// formatted into text of the same size, many times a second. With glibc's
// defaults such blocks soon come from the heap (the mmap threshold rises
// after the first are freed) and the freed space is kept, so a window that
// has shown a gigabyte holds far more memory than one that has shown ten
// megabytes, though the pane holds the same lines. Fixed thresholds give
// large blocks back to the system when they are freed. Called once at
// start-up, before any window exists.
void returnLargeBlocksToTheSystem();

// Gives the free memory of every allocator arena back to the system, not
// only the top of the main heap: the receive thread allocates in an arena
// of its own, which no free() ever trims. For a quiet moment; it walks
// every arena.
void returnFreeMemoryToTheSystem();
