#include "rfc2217port.h"

#include <algorithm>

namespace portio {

Result<uint32_t> Rfc2217Port::waitCommEvent()
{
    CallGuard guard(m_sync);
    if (!guard) return closedError();
    Lock lock(m_mutex);
    const uint64_t gen = m_maskGen;
    for (;;) {
        if (m_closing) return closedError();
        if (m_maskGen != gen || !(m_mask & EV_RXCHAR)) return 0u;
        if (!m_in.empty()) return EV_RXCHAR;
        if (m_gone) return *m_gone;
        m_cv.wait(lock);
    }
}

IoResult Rfc2217Port::read(void* buffer, size_t n)
{
    CallGuard guard(m_sync);
    if (!guard) return { 0, closedError() };
    if (m_access == Access::Write)
        return { 0, makeError(ErrorCode::AccessDenied, "the port is open for writing only") };
    auto* p = static_cast<uint8_t*>(buffer);
    const auto start = Clock::now();
    Lock lock(m_mutex);
    const ReadDeadline deadline(m_timeouts, n, start);
    const uint64_t abortGen = m_rxAbortGen;
    size_t have = 0;
    auto lastByte = start;
    for (;;) {
        if (const size_t take = std::min(n - have, m_in.size()); take > 0) {
            std::copy_n(m_in.begin(), take, p + have);
            m_in.erase(m_in.begin(), m_in.begin() + std::ptrdiff_t(take));
            have += take;
            lastByte = Clock::now();
            m_cv.notify_all(); // the receiver may wait for room
        }
        if (m_closing) return { have, closedError() };
        if (m_rxAbortGen != abortGen) return { have, makeError(ErrorCode::Aborted, "the read was aborted") };
        // What came before the connection ended is read first.
        if (m_gone && have < n) return { have, *m_gone };
        const auto left = deadline.remaining(have, Clock::now(), lastByte);
        if (left && *left <= Clock::duration::zero()) return { have, okStatus() };
        if (left)
            m_cv.wait_for(lock, *left);
        else
            m_cv.wait(lock);
    }
}

IoResult Rfc2217Port::write(const void* buffer, size_t n)
{
    CallGuard guard(m_sync);
    if (!guard) return { 0, closedError() };
    if (m_access == Access::Read) return { 0, makeError(ErrorCode::AccessDenied, "the port is open for reading only") };
    if (auto e = failure()) return { 0, *e };
    const auto ticket = m_sync.ticket(WaitWrite);
    const auto deadline = writeDeadline(timeouts(), n, Clock::now());
    const auto* p = static_cast<const uint8_t*>(buffer);
    const bool binary = binaryOut();
    std::string wire;
    wire.reserve(n + n / 32 + 8);
    telnet::appendEscaped(wire, p, n, binary);
    std::lock_guard send(m_sendMutex);
    return endWrite(p, n, binary, sendWire(std::move(wire), deadline, true, ticket));
}

// Expects m_sendMutex held. Counts the data bytes whose wire form went out;
// a byte cut in two counts as sent, and the rest of it is owed.
IoResult Rfc2217Port::endWrite(const uint8_t* p, size_t n, bool binary, const Sent& sent)
{
    size_t count = 0;
    size_t wireAt = 0;
    while (count < n && wireAt + telnet::escapedLength(p[count], binary) <= sent.count)
        wireAt += telnet::escapedLength(p[count++], binary);
    if (count < n && wireAt < sent.count) {
        std::string unit;
        telnet::appendEscaped(unit, p + count, 1, binary);
        owe(unit.substr(sent.count - wireAt));
        ++count;
    }
    if (sent.status.code != ErrorCode::TimedOut) return { count, sent.status };
    return { count,
        makeError(ErrorCode::TimedOut,
            "the write timed out after " + std::to_string(count) + " of " + std::to_string(n) + " bytes") };
}

} // namespace portio
