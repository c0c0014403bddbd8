#include "sessionline.h"

#include "tests/support/uartpeer.h"

#include <optional>
#include <sys/ioctl.h>

namespace {

class PtyLine final : public SessionLine {
public:
    PtyLine() { m_devices.define("COM40", m_pty.slavePath()); }
    std::string portName() const override { return "COM40"; }
    bool send(std::string_view bytes, std::chrono::milliseconds patience) override
    {
        return m_pty.writeAll(bytes, patience);
    }
    bool farHasBytes() override
    {
        int waiting = 0;
        return ioctl(m_pty.masterFd(), FIONREAD, &waiting) == 0 && waiting > 0;
    }
    void hangUp() override { m_pty.closeMaster(); }

private:
    PtyPair m_pty;
};

// COM3 and COM4 in null-modem pairs; the far end holds COM4.
class BoardLine final : public SessionLine {
public:
    BoardLine()
    {
        vboard::BoardConfig config;
        config.ports = 2;
        config.wiring = vboard::Wiring::Pairs;
        m_board = std::make_shared<vboard::VirtualBoard>(config);
        m_devices.installBoard(m_board, m_board->names());
        m_far = std::move(m_board->open(1, portio::Access::ReadWrite).value());
        m_far->setTimeouts({ portio::MAXDWORD, 0, 0, 0, 0 });
    }
    ~BoardLine() override
    {
        if (m_far) m_far->close();
        m_devices.removeBoard();
    }
    std::string portName() const override { return "COM3"; }
    bool send(std::string_view bytes, std::chrono::milliseconds) override
    {
        m_board->injectReceived(0, bytes.data(), bytes.size());
        return true;
    }
    bool farHasBytes() override
    {
        char buffer[64];
        m_farCount += m_far->read(buffer, sizeof buffer).count;
        return m_farCount > 0;
    }
    void hangUp() override { m_board->unplug(0); }

private:
    std::shared_ptr<vboard::VirtualBoard> m_board;
    portio::PortPtr m_far;
    size_t m_farCount = 0;
};

// A real UART wired to a second one, which the test holds as the far end.
class UartSessionLine final : public SessionLine {
public:
    explicit UartSessionLine(const UartLine& line)
        : m_device(line.device)
        , m_peer(line.peer)
    {
        // The device side too: what an earlier test's far end sent may still
        // be on its way through the guest's relay, after the session's open
        // has emptied the queues.
        UartPeer { m_device };
        m_devices.define("COM42", m_device);
    }
    std::string portName() const override { return "COM42"; }
    bool send(std::string_view bytes, std::chrono::milliseconds patience) override
    {
        return m_peer.writeAll(bytes, patience);
    }
    bool farHasBytes() override
    {
        m_farCount += m_peer.readExactly(4096, std::chrono::milliseconds(0)).size();
        return m_farCount > 0;
    }
    // A UART does not go away; the kernel's hang-up is what its users see
    // when one does.
    void hangUp() override { hangUpTty(m_device); }

private:
    std::string m_device;
    UartPeer m_peer;
    size_t m_farCount = 0;
};

} // namespace

std::unique_ptr<SessionLine> makeUartLine()
{
    const auto line = UartLine::fromEnvironment();
    return line ? std::make_unique<UartSessionLine>(*line) : nullptr;
}

std::unique_ptr<SessionLine> makePtyLine()
{
    return std::make_unique<PtyLine>();
}

std::unique_ptr<SessionLine> makeBoardLine()
{
    return std::make_unique<BoardLine>();
}
