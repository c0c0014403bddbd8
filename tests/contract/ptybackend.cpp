// The POSIX backend on a pseudo-terminal pair; the master is the far end.
#include "backend.h"

#include "portio/posix/posixport.h"
#include "tests/support/ptypair.h"

namespace contract {

namespace {

class PtyBackend final : public Backend {
public:
    portio::Result<portio::PortPtr> open() override
    {
        return portio::openPosixPort(m_pty.slavePath(), portio::Access::ReadWrite, portio::OpenPurpose::Io);
    }
    bool farWrite(std::string_view bytes) override { return m_pty.writeAll(bytes); }
    std::string farRead(size_t n, std::chrono::milliseconds limit) override { return m_pty.readExactly(n, limit); }
    bool carriesFraming() const override { return false; }

private:
    PtyPair m_pty;
};

const RegisterBackend registered("PosixPty", [] { return std::make_unique<PtyBackend>(); });

} // namespace

} // namespace contract
