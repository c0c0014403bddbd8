// The Win32 backend on the COM pair that scripts/test-windows links to a
// pseudo-terminal pair under Wine: the near port is the device under test,
// the far port plays the other end of the line.
#include "backend.h"

#include "tests/windows/comfixture.h"

#include <optional>
#include <set>
#include <stdexcept>

namespace contract {

namespace {

class Win32Backend final : public Backend {
public:
    // The pair outlives the cases, unlike a backend's fresh pseudo-terminals:
    // each case starts on a line that an earlier case's bytes have left.
    Win32Backend()
    {
        if (!ComPair::unavailable().empty()) return;
        m_pair.emplace();
        auto nearPort = m_pair->open();
        if (!nearPort) throw std::runtime_error("cannot open " + ComPair::nearPath() + ": " + nearPort.error().text);
        if (!m_pair->clearLine(**nearPort)) throw std::runtime_error("the COM pair does not carry a marker both ways");
    }
    std::string unavailable() const override { return ComPair::unavailable(); }
    portio::Result<portio::PortPtr> open() override { return m_pair->open(); }
    bool farWrite(std::string_view bytes) override { return m_pair->farWrite(bytes); }
    std::string farRead(size_t n, std::chrono::milliseconds limit) override { return m_pair->farRead(n, limit); }

    // A pseudo-terminal has no modem lines and always carries 8 data bits
    // without parity, whatever Wine is told. The Win32 backend takes DTR/DSR
    // handshake, as Windows drivers do it.
    bool carriesFraming() const override { return false; }
    bool carriesLineModes() const override { return false; }
    bool hasDsrHandshake() const override { return true; }
    std::string abortCountUnknown() const override
    {
        return "Wine over a pseudo-terminal counts less of an aborted write than the terminal took";
    }
    // Counted by the backend from what ClearCommError reports.
    bool hasLineCounters() const override { return true; }

    // Wine gives a pseudo-terminal only the rates the termios table names;
    // for any other it tries a serial driver's custom divisor, which a
    // pseudo-terminal does not have, and sets another rate.
    std::string deviceLimit(const portio::Dcb& d) const override
    {
        static const std::set<uint32_t> table { 50, 75, 110, 134, 150, 200, 300, 600, 1200, 1800, 2400, 4800, 9600,
            19200, 38400, 57600, 115200, 230400, 460800, 500000, 921600, 1000000, 1152000, 1500000, 2000000, 2500000,
            3000000, 3500000, 4000000 };
        if (!table.count(d.BaudRate)) return "Wine on a pseudo-terminal sets only the termios table's rates";
        // Wine's own check of the line settings, not the device's.
        if ((d.ByteSize == 6 || d.ByteSize == 7) && d.Parity == portio::NOPARITY && d.StopBits == portio::ONESTOPBIT)
            return "Wine refuses 6 and 7 data bits with one stop bit and no parity";
        return {};
    }

private:
    std::optional<ComPair> m_pair;
};

const RegisterBackend registered("Win32", [] { return std::make_unique<Win32Backend>(); });

} // namespace

} // namespace contract
