#pragma once

#include "boardcore.h"

#include "portio/port.h"

#include <memory>

namespace vboard {

// An open handle on one port of the virtual board.
class VirtualPort final : public portio::Port {
public:
    VirtualPort(std::shared_ptr<BoardCore> core, BoardPort& port, portio::Access access);
    ~VirtualPort() override;

    portio::Status setCommMask(uint32_t mask) override;
    portio::Result<uint32_t> getCommMask() override;
    portio::Result<uint32_t> waitCommEvent() override;
    portio::Status setupComm(uint32_t inQueue, uint32_t outQueue) override;
    portio::Status purge(uint32_t flags) override;
    portio::Status setTimeouts(const portio::CommTimeouts& timeouts) override;
    portio::Result<portio::CommTimeouts> getTimeouts() override;
    portio::Result<portio::Dcb> getState() override;
    portio::Status setState(const portio::Dcb& dcb) override;
    portio::Status escape(portio::EscapeFunction function) override;
    portio::Result<portio::ComStat> clearCommError() override;
    portio::Result<uint32_t> modemStatus() override;
    portio::Result<portio::LineCounters> lineCounters() override;
    portio::IoResult read(void* buffer, size_t n) override;
    portio::IoResult write(const void* buffer, size_t n) override;
    portio::Status transmitChar(uint8_t byte) override;
    void close() override;

protected:
    portio::Status driverControl(
        uint32_t code, const void* in, size_t inLen, void* out, size_t outLen, uint32_t* bytesReturned) override;

private:
    using Lock = std::unique_lock<std::mutex>;
    // Keeps close() waiting until the call has left the port.
    class Call {
    public:
        explicit Call(VirtualPort& port);
        ~Call();
        Lock lock;
        portio::Status status; // set when the handle cannot be used

    private:
        VirtualPort& m_port;
    };

    portio::Status usable() const;
    portio::Status accessFor(portio::Access needed) const;
    void transfer(Lock& lock, const uint8_t* data, size_t n, uint64_t abortGen, portio::IoResult& r);
    void readLoop(Lock& lock, uint8_t* buffer, size_t n, portio::IoResult& r);
    size_t readLevel(const portio::ReadDeadline& deadline, size_t have, size_t n) const;
    size_t writeLevel(size_t rest) const;
    void endTransfer(portio::IoResult& r, uint64_t base, size_t n);
    void drain(Lock& lock);
    void release();

    std::shared_ptr<BoardCore> m_core;
    BoardPort& m_port;
    portio::Access m_access;
    uint64_t m_session;
    bool m_closed = false;
    int m_active = 0;
};

} // namespace vboard
