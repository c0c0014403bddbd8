#pragma once

#include <cstddef>
#include <string>
#include <thread>

// The far end of a line that sends a long log: numbered lines of printable
// text, of varying length, each ending in CR LF.
class LogFeed {
public:
    // Writes to `fd` (a pty master) from a thread of its own.
    explicit LogFeed(int fd);
    ~LogFeed();
    LogFeed(const LogFeed&) = delete;
    LogFeed& operator=(const LogFeed&) = delete;

    // Starts writing exactly `bytes` bytes: log lines, cut where the count
    // ends, then a line break and `marker` on a line of its own. Blocks while
    // the pty is full. The previous send must have been waited for.
    void send(size_t bytes, const std::string& marker);
    // Waits until the writer has written every byte of the send.
    void wait();

private:
    bool write(const char* data, size_t n) const;

    int m_fd;
    std::string m_block; // log lines, written over and over
    std::thread m_writer;
};
