#include "allocator.h"

#include <cstdlib> // defines __GLIBC__ where the C library is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void returnLargeBlocksToTheSystem()
{
#if defined(__GLIBC__)
    // 128 KiB: glibc's own starting value for both; fixing them stops the
    // mmap threshold from climbing and makes the heap's top be trimmed.
    constexpr int Threshold = 128 * 1024;
    mallopt(M_MMAP_THRESHOLD, Threshold);
    mallopt(M_TRIM_THRESHOLD, Threshold);
#endif
}

void returnFreeMemoryToTheSystem()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}
