#include "rfc2217port.h"

#include "rfc2217codes.h"

namespace portio {

namespace {

uint8_t purgeValue(uint32_t flags)
{
    const bool rx = flags & PURGE_RXCLEAR;
    const bool tx = flags & PURGE_TXCLEAR;
    return rx && tx ? rfc2217::PURGE_BOTH : rx ? rfc2217::PURGE_RX : rfc2217::PURGE_TX;
}

} // namespace

PortError Rfc2217Port::closedError() const
{
    return makeError(ErrorCode::Aborted, "the port is closed");
}

CommTimeouts Rfc2217Port::timeouts() const
{
    std::lock_guard lock(m_mutex);
    return m_timeouts;
}

bool Rfc2217Port::binaryOut() const
{
    std::lock_guard lock(m_mutex);
    return m_options.ours(telnet::OPT_BINARY);
}

Status Rfc2217Port::setCommMask(uint32_t mask)
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    {
        std::lock_guard lock(m_mutex);
        m_mask = mask;
        ++m_maskGen;
    }
    m_cv.notify_all();
    return okStatus();
}

Result<uint32_t> Rfc2217Port::getCommMask()
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    std::lock_guard lock(m_mutex);
    return m_mask;
}

Status Rfc2217Port::setupComm(uint32_t, uint32_t)
{
    // The queues are the server's and the socket's; the request is a hint.
    CallGuard guard(m_sync);
    return guard ? okStatus() : closedError();
}

Status Rfc2217Port::purge(uint32_t flags)
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    if (flags & ~PURGE_ALL) return makeError(ErrorCode::InvalidArgument, "unknown purge flags");
    if (flags & PURGE_TXABORT) m_sync.release(WaitWrite);
    {
        std::lock_guard lock(m_mutex);
        if (flags & PURGE_RXABORT) ++m_rxAbortGen;
        if (flags & PURGE_RXCLEAR) m_in.clear();
    }
    m_cv.notify_all();
    if (!(flags & (PURGE_RXCLEAR | PURGE_TXCLEAR))) return okStatus();
    const uint8_t value = purgeValue(flags);
    auto answer = ask(rfc2217::PURGE_DATA, std::string(1, char(value)), "the request to empty its buffers");
    return answer ? okStatus() : answer.error();
}

Status Rfc2217Port::setTimeouts(const CommTimeouts& timeouts)
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    std::lock_guard lock(m_mutex);
    m_timeouts = timeouts;
    return okStatus();
}

Result<CommTimeouts> Rfc2217Port::getTimeouts()
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    return timeouts();
}

Result<ComStat> Rfc2217Port::clearCommError()
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    ComStat stat;
    stat.cbOutQue = uint32_t(m_unhanded + m_socket.unsent());
    std::lock_guard lock(m_mutex);
    stat.cbInQue = uint32_t(m_in.size());
    stat.errors = std::exchange(m_errors, 0);
    return stat;
}

Result<uint32_t> Rfc2217Port::modemStatus()
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    std::lock_guard lock(m_mutex);
    if (m_gone) return *m_gone;
    if (!m_modem) return makeError(ErrorCode::NotSupported, "the server at " + m_where + " reports no modem lines");
    return uint32_t(*m_modem);
}

// The option has no way to ask for the modem lines: servers look at them
// about once a second and send a notice when they changed.
std::chrono::milliseconds Rfc2217Port::modemStatusDelay() const
{
    return std::chrono::seconds(3);
}

Status Rfc2217Port::transmitChar(uint8_t byte)
{
    // A byte ahead of the queue would have to overtake what the socket holds; in order it is.
    return write(&byte, 1).error;
}

void Rfc2217Port::close()
{
    std::lock_guard lock(m_closeMutex);
    if (m_closed) return;
    m_closed = true;
    {
        std::lock_guard state(m_mutex);
        m_closing = true;
    }
    m_cv.notify_all();
    m_closeWake.ring();
    m_sync.closeAndDrain();
    if (m_receiver.joinable()) m_receiver.join();
    m_socket.close();
}

} // namespace portio
