// The start-up allocator settings must take effect: with glibc's defaults a
// freed large block raises the mmap threshold, and the heap keeps what the
// biggest batches needed for the rest of the process's life.
#include "consoleui/allocator.h"

#include <gtest/gtest.h>

#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

TEST(Allocator, LargeBlocksStayMappedAfterABiggerOneWasFreed)
{
#if !defined(__GLIBC__) || defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "needs glibc's own allocator";
#else
    returnLargeBlocksToTheSystem();
    // Freeing a mapped 4 MiB block is what makes glibc raise its threshold.
    // Written to, so that the compiler keeps each allocation.
    auto* big = static_cast<volatile char*>(std::malloc(size_t(4) << 20));
    big[0] = 1;
    std::free(const_cast<char*>(big));
    const auto before = mallinfo2().hblks;
    auto* block = static_cast<volatile char*>(std::malloc(size_t(512) << 10));
    block[0] = 1;
    const auto during = mallinfo2().hblks;
    std::free(const_cast<char*>(block));
    EXPECT_EQ(during, before + 1) << "a 512 KiB block came from the heap: the threshold climbed";
#endif
}
