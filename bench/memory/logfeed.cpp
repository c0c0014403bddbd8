#include "logfeed.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <unistd.h>

namespace {

// About 64 KB of lines like a device's log: a sequence number, a level and a
// message whose length varies from line to line.
std::string logBlock()
{
    static const char* const levels[] = { "INFO", "DEBUG", "WARN", "INFO", "TRACE" };
    std::string block;
    for (int i = 0; block.size() < 65536; ++i) {
        char head[64];
        std::snprintf(head, sizeof head, "%08d %s port 3: ", i, levels[i % 5]);
        block += head;
        block.append(size_t(10 + (i * 37) % 110), char('a' + i % 26));
        block += "\r\n";
    }
    return block;
}

} // namespace

LogFeed::LogFeed(int fd)
    : m_fd(fd)
    , m_block(logBlock())
{
}

LogFeed::~LogFeed()
{
    wait();
}

void LogFeed::send(size_t bytes, const std::string& marker)
{
    const std::string end = "\r\n" + marker + "\r\n";
    if (bytes < end.size()) throw std::invalid_argument("send: fewer bytes than the marker");
    wait();
    m_writer = std::thread([this, lines = bytes - end.size(), end] {
        for (size_t done = 0; done < lines;) {
            const size_t n = std::min(m_block.size(), lines - done);
            if (!write(m_block.data(), n)) return; // the reader sees too few bytes and says so
            done += n;
        }
        write(end.data(), end.size());
    });
}

void LogFeed::wait()
{
    if (m_writer.joinable()) m_writer.join();
}

bool LogFeed::write(const char* data, size_t n) const
{
    for (size_t done = 0; done < n;) {
        const ssize_t w = ::write(m_fd, data + done, n - done);
        if (w > 0)
            done += size_t(w);
        else if (errno != EINTR && errno != EAGAIN)
            return false;
    }
    return true;
}
