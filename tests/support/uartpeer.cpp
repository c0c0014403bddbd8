#include "uartpeer.h"

#include "fdio.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

std::optional<UartLine> UartLine::fromEnvironment()
{
    const char* device = std::getenv("VESPERLINE_TEST_UART");
    const char* peer = std::getenv("VESPERLINE_TEST_UART_PEER");
    if (!device || !*device || !peer || !*peer) return std::nullopt;
    return UartLine { device, peer };
}

UartPeer::UartPeer(const std::string& path)
{
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) throw std::runtime_error(path + ": " + std::strerror(errno));
    termios t {};
    ::tcgetattr(m_fd, &t);
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    ::cfsetspeed(&t, B115200);
    ::tcsetattr(m_fd, TCSANOW, &t);
    ::tcflush(m_fd, TCIOFLUSH);
    while (!readExactlyFrom(m_fd, 65536, std::chrono::milliseconds(200)).empty()) { }
}

UartPeer::~UartPeer()
{
    ::close(m_fd);
}

bool UartPeer::writeAll(std::string_view bytes, std::chrono::milliseconds limit)
{
    return writeAllTo(m_fd, bytes.data(), bytes.size(), limit);
}

std::string UartPeer::readExactly(size_t n, std::chrono::milliseconds limit)
{
    return readExactlyFrom(m_fd, n, limit);
}

bool hangUpTty(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::ioctl(fd, TIOCVHANGUP) == 0;
    ::close(fd);
    return ok;
}
