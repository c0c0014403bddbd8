#include "fdio.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point end)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

// Waits for `events` on fd until `end`; false on time-out or hang-up only.
bool waitReady(int fd, short events, Clock::time_point end)
{
    for (;;) {
        pollfd p { fd, events, 0 };
        const int r = ::poll(&p, 1, msLeft(end));
        if (r > 0) return true;
        if (r == 0 || errno != EINTR) return false;
    }
}

} // namespace

bool writeAllTo(int fd, const void* data, size_t n, std::chrono::milliseconds limit)
{
    const auto end = Clock::now() + limit;
    auto* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w > 0) {
            p += w;
            n -= size_t(w);
        } else if (w < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        } else if (!waitReady(fd, POLLOUT, end)) {
            return false;
        }
    }
    return true;
}

std::string readExactlyFrom(int fd, size_t n, std::chrono::milliseconds limit)
{
    const auto end = Clock::now() + limit;
    std::string out;
    while (out.size() < n) {
        char buf[4096];
        const ssize_t r = ::read(fd, buf, std::min(sizeof buf, n - out.size()));
        if (r > 0)
            out.append(buf, size_t(r));
        else if (r == 0 || (errno != EAGAIN && errno != EINTR))
            break;
        else if (!waitReady(fd, POLLIN, end))
            break;
    }
    return out;
}

std::string readAvailableFrom(int fd)
{
    std::string out;
    char buf[4096];
    ssize_t r;
    while ((r = ::read(fd, buf, sizeof buf)) > 0)
        out.append(buf, size_t(r));
    return out;
}
