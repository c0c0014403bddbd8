// A port of the virtual board, wired null-modem to its neighbour, which the
// test opens as the far end.
#include "backend.h"

#include "vboard/virtualboard.h"

namespace contract {

namespace {

vboard::BoardConfig pairOfPorts()
{
    vboard::BoardConfig c;
    c.ports = 2;
    c.wiring = vboard::Wiring::Pairs;
    return c;
}

class BoardBackend final : public Backend {
public:
    BoardBackend()
        : m_board(pairOfPorts())
        , m_far(std::move(*m_board.open(1, portio::Access::ReadWrite)))
    {
    }
    portio::Result<portio::PortPtr> open() override { return m_board.open(0, portio::Access::ReadWrite); }

    bool farWrite(std::string_view bytes) override
    {
        (void)m_far->setTimeouts({ 0, 0, 0, 0, 5000 });
        return m_far->write(bytes.data(), bytes.size()).count == bytes.size();
    }
    std::string farRead(size_t n, std::chrono::milliseconds limit) override
    {
        (void)m_far->setTimeouts({ 0, 0, uint32_t(limit.count()), 0, 0 });
        std::string s(n, '\0');
        s.resize(m_far->read(s.data(), n).count);
        return s;
    }

    bool hasModemLines() const override { return true; }
    bool hasLineCounters() const override { return true; }
    portio::Status farEscape(portio::EscapeFunction f) override { return m_far->escape(f); }
    portio::Result<uint32_t> farModemStatus() override { return m_far->modemStatus(); }

    std::string deviceLimit(const portio::Dcb& d) const override
    {
        return d.BaudRate > m_board.config().maxBaud ? "above the board's top rate" : "";
    }

private:
    vboard::VirtualBoard m_board;
    portio::PortPtr m_far;
};

const RegisterBackend registered("VirtualBoard", [] { return std::make_unique<BoardBackend>(); });

} // namespace

} // namespace contract
