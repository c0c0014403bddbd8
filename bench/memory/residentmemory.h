#pragma once

#include <cstdint>

// This process's resident memory in KiB, as /proc/self/status gives it.
// The anonymous part is the heap and the stacks: what a growing text would
// take; the whole also holds the mapped libraries and fonts.
struct ResidentMemory {
    uint64_t anonKiB = 0; // RssAnon
    uint64_t totalKiB = 0; // VmRSS
    // What malloc has handed out and not had back, over every arena: when
    // this stays while RssAnon grows, the growth is memory freed but kept.
    uint64_t heapInUseKiB = 0;
};

// Zero fields when the kernel does not give them.
ResidentMemory residentMemory();
