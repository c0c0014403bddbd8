#pragma once

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
    // set when the tty cannot say.
    ssize_t waiting(int fd) const;
    void clear();

private:
    mutable std::mutex m_mutex;
    std::vector<uint8_t> m_data;
    size_t m_begin = 0;
    size_t m_end = 0;
    size_t m_size = 4096; // what Linux's own tty input buffer holds
};

} // namespace portio
