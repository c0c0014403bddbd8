#include "win32port.h"

#include "win32error.h"

#include <algorithm>

namespace portio {

namespace {

// How often a port whose driver cannot wait for events looks at its input queue.
constexpr DWORD kEventPollMs = 10;
// How long a cancelled request may take to end before it is cancelled again.
constexpr auto kCancelAgain = std::chrono::milliseconds(100);

PortError aborted(const char* what)
{
    return makeError(ErrorCode::Aborted, what);
}

} // namespace

Win32Port::Outcome Win32Port::run(OverlappedCall& call, WaitKind kind, Win32Sync::Ticket ticket,
    std::optional<Clock::duration> limit, const std::function<BOOL(OVERLAPPED*)>& request)
{
    if (!call.start(request)) return { 0, Ending::Failed, call.error() };
    m_sync.arm(call, kind, ticket);
    if (!waitEnd(call, limit)) {
        do
            call.cancel();
        while (!call.wait(kCancelAgain));
    }
    const DWORD count = call.finish();
    const bool released = m_sync.disarm(call);
    if (!call.error()) return { count, Ending::Done, 0 };
    if (call.error() != ERROR_OPERATION_ABORTED) return { count, Ending::Failed, call.error() };
    return { count, released ? Ending::Released : Ending::TimedOut, 0 };
}

// Waits for the request to end or the limit to pass. A cancel that meets
// the request while the system is moving its bytes can be lost (Wine loses
// one now and then), so a released request is cancelled again until it ends.
bool Win32Port::waitEnd(OverlappedCall& call, std::optional<Clock::duration> limit)
{
    const auto end = limit ? std::optional(Clock::now() + *limit) : std::nullopt;
    for (;;) {
        Clock::duration slice = kCancelAgain;
        if (end) slice = std::min(slice, *end - Clock::now());
        if (call.wait(slice)) return true;
        if (end && Clock::now() >= *end) return false;
        if (m_sync.released(call)) call.cancel();
    }
}

PortError Win32Port::failure(const Outcome& o, const char* what)
{
    if (o.ending == Ending::Released) return m_sync.closing() ? closedError() : aborted(what);
    auto e = win32Error(o.error, what);
    return e.code == ErrorCode::DeviceGone ? gone(e.text) : e;
}

Win32Port::Outcome Win32Port::readSome(
    uint8_t* p, DWORD n, Win32Sync::Ticket ticket, std::optional<Clock::duration> limit)
{
    OverlappedCall call(m_handle);
    return run(call, WaitRead, ticket, limit, [&](OVERLAPPED* ov) { return ReadFile(m_handle, p, n, nullptr, ov); });
}

// What waits is taken at once; with nothing waiting, a one-byte request
// waits for the next byte as long as the time-outs allow.
IoResult Win32Port::read(void* buffer, size_t n)
{
    Win32CallGuard guard(m_sync);
    if (!guard) return { 0, closedError() };
    if (m_access == Access::Write)
        return { 0, makeError(ErrorCode::AccessDenied, "the port is open for writing only") };
    if (m_gone) return { 0, gone() };
    const auto ticket = m_sync.ticket(WaitRead);
    const auto start = Clock::now();
    const ReadDeadline deadline(timeouts(), n, start);
    auto* p = static_cast<uint8_t*>(buffer);
    size_t have = 0;
    auto lastByte = start;
    while (have < n) {
        auto stat = comStatus();
        if (!stat) return { have, stat.error().code == ErrorCode::DeviceGone ? gone(stat.error().text) : stat.error() };
        const auto left = deadline.remaining(have, Clock::now(), lastByte);
        const bool due = left && *left <= Clock::duration::zero();
        if (due && stat->cbInQue == 0) break;
        const DWORD ask = stat->cbInQue ? DWORD(std::min<size_t>(n - have, stat->cbInQue)) : 1;
        const auto o = readSome(p + have, ask, ticket, stat->cbInQue ? std::nullopt : left);
        have += o.count;
        if (o.count) lastByte = Clock::now();
        if (o.ending == Ending::Released || o.ending == Ending::Failed)
            return { have, failure(o, "the read was aborted") };
        if (due) break;
    }
    return { have, okStatus() };
}

IoResult Win32Port::write(const void* buffer, size_t n)
{
    Win32CallGuard guard(m_sync);
    if (!guard) return { 0, closedError() };
    if (m_access == Access::Read) return { 0, makeError(ErrorCode::AccessDenied, "the port is open for reading only") };
    if (m_gone) return { 0, gone() };
    const auto ticket = m_sync.ticket(WaitWrite);
    const auto deadline = writeDeadline(timeouts(), n, Clock::now());
    std::optional<Clock::duration> limit;
    if (deadline) limit = *deadline - Clock::now();
    OverlappedCall call(m_handle);
    const auto o = run(call, WaitWrite, ticket, limit,
        [&](OVERLAPPED* ov) { return WriteFile(m_handle, buffer, DWORD(n), nullptr, ov); });
    if (o.ending == Ending::Done) return { o.count, okStatus() };
    if (o.ending != Ending::TimedOut) return { o.count, failure(o, "the write was aborted") };
    // What the driver has not sent yet goes with the rest of the request and
    // is not counted. Wine on a pseudo-terminal counts what the terminal took
    // and reports nothing queued: those bytes are the far end's already, and
    // a purge would drop bytes the count says were sent.
    DWORD sent = o.count;
    if (auto stat = comStatus(); stat && stat->cbOutQue > 0) {
        (void)PurgeComm(m_handle, PURGE_TXCLEAR);
        sent -= std::min(sent, stat->cbOutQue);
    }
    return { sent,
        makeError(ErrorCode::TimedOut,
            "the write timed out after " + std::to_string(sent) + " of " + std::to_string(n) + " bytes") };
}

// Level-triggered, as for every backend: bytes already waiting count as
// EV_RXCHAR.
Result<uint32_t> Win32Port::waitCommEvent()
{
    Win32CallGuard guard(m_sync);
    if (!guard) return closedError();
    if (m_gone) return gone();
    const auto ticket = m_sync.ticket(WaitEvent);
    uint32_t mask = 0;
    {
        std::lock_guard lock(m_stateMutex);
        mask = m_mask;
    }
    if (!mask) return 0u;
    if (!m_pollEvents)
        if (auto r = driverWait(mask, ticket)) return *r;
    return pollWait(mask, ticket);
}

// WaitCommEvent. The request is started before the look at the input queue,
// so that a byte coming in between still ends it. Nothing when the driver
// cannot wait (it ends the request by itself): then the port polls.
std::optional<Result<uint32_t>> Win32Port::driverWait(uint32_t mask, Win32Sync::Ticket ticket)
{
    OverlappedCall call(m_handle);
    DWORD events = 0;
    if (!call.start([&](OVERLAPPED* ov) { return WaitCommEvent(m_handle, &events, ov); }))
        return failure({ 0, Ending::Failed, call.error() }, "waiting for an event (WaitCommEvent)");
    m_sync.arm(call, WaitEvent, ticket);
    auto stat = comStatus();
    const bool waiting = stat && stat->cbInQue > 0 && (mask & EV_RXCHAR);
    if (waiting) call.cancel();
    (void)waitEnd(call, std::nullopt);
    call.finish();
    const bool released = m_sync.disarm(call);
    if (waiting) return EV_RXCHAR;
    if (released) return m_sync.closing() ? Result<uint32_t>(closedError()) : Result<uint32_t>(0u);
    if (call.error() == ERROR_OPERATION_ABORTED) {
        // Wine on a pseudo-terminal does this: its event wait needs modem lines.
        m_pollEvents = true;
        return std::nullopt;
    }
    if (call.error()) return failure({ 0, Ending::Failed, call.error() }, "waiting for an event (WaitCommEvent)");
    return uint32_t(events & mask);
}

Result<uint32_t> Win32Port::pollWait(uint32_t mask, Win32Sync::Ticket ticket)
{
    for (;;) {
        if (m_sync.closing()) return closedError();
        if (m_sync.ticket(WaitEvent) != ticket) return 0u;
        auto stat = comStatus();
        if (!stat) return stat.error().code == ErrorCode::DeviceGone ? gone(stat.error().text) : stat.error();
        if (stat->cbInQue > 0 && (mask & EV_RXCHAR)) return EV_RXCHAR;
        Sleep(kEventPollMs);
    }
}

Status Win32Port::driverControl(
    uint32_t code, const void* in, size_t inLen, void* out, size_t outLen, uint32_t* bytesReturned)
{
    Win32CallGuard guard(m_sync);
    if (!guard) return closedError();
    OverlappedCall call(m_handle);
    const auto o = run(call, WaitWrite, m_sync.ticket(WaitWrite), std::nullopt, [&](OVERLAPPED* ov) {
        return DeviceIoControl(m_handle, code, const_cast<void*>(in), DWORD(inLen), out, DWORD(outLen), nullptr, ov);
    });
    if (bytesReturned) *bytesReturned = o.count;
    if (o.ending != Ending::Done) return failure(o, "the device-control request was aborted");
    return okStatus();
}

} // namespace portio
