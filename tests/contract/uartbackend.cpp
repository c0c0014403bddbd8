// The POSIX backend on a real UART (the drivers' virtual machine: an 8250
// port of a PCI card), wired by a cable without modem lines to a second
// UART, the far end. Runs only where VESPERLINE_TEST_UART and
// VESPERLINE_TEST_UART_PEER name the pair.
#include "backend.h"

#include "portio/posix/posixport.h"
#include "tests/support/uartpeer.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace contract {

namespace {

// The UART's clock over 16: the top rate its divisor reaches.
uint32_t baudBase(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    serial_struct s {};
    const bool ok = fd >= 0 && ::ioctl(fd, TIOCGSERIAL, &s) == 0;
    if (fd >= 0) ::close(fd);
    return ok ? uint32_t(s.baud_base) : 0;
}

class UartBackend final : public Backend {
public:
    UartBackend()
        : m_line(UartLine::fromEnvironment())
    {
        if (!m_line) return;
        m_peer.emplace(m_line->peer);
        m_baudBase = baudBase(m_line->device);
    }
    std::string unavailable() const override { return m_line ? "" : UartLine::missing(); }
    portio::Result<portio::PortPtr> open() override
    {
        return portio::openPosixPort(m_line->device, portio::Access::ReadWrite, portio::OpenPurpose::Io);
    }
    bool farWrite(std::string_view bytes) override { return m_peer->writeAll(bytes); }
    std::string farRead(size_t n, std::chrono::milliseconds limit) override { return m_peer->readExactly(n, limit); }

    // The UART drives RTS and DTR and reads CTS, DSR and DCD; the cable
    // carries none of them to the far end.
    bool hasModemLines() const override { return true; }
    bool linesReachFarEnd() const override { return false; }
    bool hasLineCounters() const override { return true; }

    std::string deviceLimit(const portio::Dcb& d) const override
    {
        return m_baudBase && d.BaudRate > m_baudBase ? "above the UART's top rate" : "";
    }

private:
    std::optional<UartLine> m_line;
    std::optional<UartPeer> m_peer;
    uint32_t m_baudBase = 0;
};

const RegisterBackend registered("PosixUart", [] { return std::make_unique<UartBackend>(); });

} // namespace

} // namespace contract
