#include "ptypair.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <termios.h>
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

void closeFd(int& fd)
{
    if (fd >= 0) ::close(fd);
    fd = -1;
}

} // namespace

PtyPair::PtyPair(Mode mode)
{
    char name[128] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        throw std::runtime_error(std::string("openpty: ") + std::strerror(errno));
    m_slavePath = name;
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    if (mode == Mode::Raw) {
        termios t {};
        ::tcgetattr(m_slave, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(m_slave, TCSANOW, &t);
    }
}

PtyPair::~PtyPair()
{
    closeMaster();
    closeSlave();
}

bool PtyPair::writeAll(const void* data, size_t n, std::chrono::milliseconds limit)
{
    const auto end = Clock::now() + limit;
    auto* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t w = ::write(m_master, p, n);
        if (w > 0) {
            p += w;
            n -= size_t(w);
        } else if (w < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        } else if (!waitReady(m_master, POLLOUT, end)) {
            return false;
        }
    }
    return true;
}

bool PtyPair::writeAll(std::string_view bytes, std::chrono::milliseconds limit)
{
    return writeAll(bytes.data(), bytes.size(), limit);
}

std::string PtyPair::readExactly(size_t n, std::chrono::milliseconds limit)
{
    const auto end = Clock::now() + limit;
    std::string out;
    while (out.size() < n) {
        char buf[4096];
        const ssize_t r = ::read(m_master, buf, std::min(sizeof buf, n - out.size()));
        if (r > 0)
            out.append(buf, size_t(r));
        else if (r == 0 || (errno != EAGAIN && errno != EINTR))
            break;
        else if (!waitReady(m_master, POLLIN, end))
            break;
    }
    return out;
}

std::string PtyPair::readAvailable()
{
    std::string out;
    char buf[4096];
    ssize_t r;
    while ((r = ::read(m_master, buf, sizeof buf)) > 0)
        out.append(buf, size_t(r));
    return out;
}

void PtyPair::closeMaster()
{
    closeFd(m_master);
}

void PtyPair::closeSlave()
{
    closeFd(m_slave);
}

void PtyPair::lockSlave(bool locked)
{
    int flag = locked ? 1 : 0;
    if (::ioctl(m_master, TIOCSPTLCK, &flag) != 0) throw std::runtime_error(std::strerror(errno));
}
