#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <sys/types.h>
#include <vector>

namespace portio {

// The port's own input queue, as a serial driver keeps one: filled by one
// large read() of what the tty holds, it serves small reads from memory, so
// a caller reading 80 bytes at a time costs one system call per queueful.
// Its size is the input queue size the port was set up with.
class InputQueue {
public:
    void setSize(size_t bytes);
    // Up to n bytes, from the queue, or when it is empty from one read() of
    // the tty into it; returns what read() would (0 at end of file, -1 with
    // errno set).
    ssize_t read(int fd, uint8_t* out, size_t n);
    // All n bytes from the queue when it holds them (false, taking nothing,
    // when it does not): such a read needs no clock and no wait.
    bool takeWhole(uint8_t* out, size_t n);
    // The bytes waiting in the tty and here, counted together so that a
    // concurrent fill moves none from one count to the other; -1 with errno
    // set when the tty cannot say. While bytes wait here, the tty's part is
    // asked at most once per TtyCountReuse (see there).
    ssize_t waiting(int fd) const;
    void clear();

    // A reader that asks the count before each 80-byte read would otherwise
    // make a system call per 80 bytes served from memory, which costs more
    // than the rest of its loop together. The tty's part of the count is
    // kept for this long while bytes wait here: under a character's time at
    // 115200 baud, and less than the tty's own count lags the line by (its
    // driver hands bytes on from a flip buffer in a work queue). A fill or a
    // purge forgets it; with nothing here, the tty is always asked.
    static constexpr std::chrono::microseconds TtyCountReuse { 80 };
    // Test control: how long the tty's count is kept (a long time makes a
    // count that should not have been kept show).
    static void setTtyCountReuseForTest(std::chrono::microseconds reuse);

private:
    using Clock = std::chrono::steady_clock;
    void noteTtyCount(size_t n, Clock::time_point at) const;
    static std::chrono::microseconds ttyCountReuse();

    mutable std::mutex m_mutex;
    std::vector<uint8_t> m_data;
    size_t m_begin = 0;
    size_t m_end = 0;
    size_t m_size = 4096; // what Linux's own tty input buffer holds
    mutable bool m_ttyCountKnown = false;
    mutable size_t m_ttyCount = 0;
    mutable Clock::time_point m_ttyCountAt;
};

} // namespace portio
