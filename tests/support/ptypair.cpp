#include "ptypair.h"

#include "fdio.h"

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
    return writeAllTo(m_master, data, n, limit);
}

bool PtyPair::writeAll(std::string_view bytes, std::chrono::milliseconds limit)
{
    return writeAll(bytes.data(), bytes.size(), limit);
}

std::string PtyPair::readExactly(size_t n, std::chrono::milliseconds limit)
{
    return readExactlyFrom(m_master, n, limit);
}

std::string PtyPair::readAvailable()
{
    return readAvailableFrom(m_master);
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
