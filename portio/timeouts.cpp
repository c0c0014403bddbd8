#include "timeouts.h"

#include <climits>

namespace portio {

namespace {

Clock::duration ms(uint64_t v)
{
    return std::chrono::milliseconds(v);
}

} // namespace

ReadDeadline::ReadDeadline(const CommTimeouts& t, size_t requested, Clock::time_point start)
    : m_requested(requested)
{
    const bool intervalMax = t.ReadIntervalTimeout == MAXDWORD;
    if (intervalMax && t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0) {
        m_immediate = true;
        return;
    }
    if (intervalMax && t.ReadTotalTimeoutMultiplier == MAXDWORD && t.ReadTotalTimeoutConstant > 0
        && t.ReadTotalTimeoutConstant < MAXDWORD) {
        m_returnWithAny = true;
        m_total = start + ms(t.ReadTotalTimeoutConstant);
        return;
    }
    if (t.ReadTotalTimeoutMultiplier != 0 || t.ReadTotalTimeoutConstant != 0) {
        // 64-bit arithmetic: MAXDWORD x a large count must not wrap round to a short limit.
        const uint64_t total = uint64_t(t.ReadTotalTimeoutMultiplier) * requested + t.ReadTotalTimeoutConstant;
        m_total = start + ms(total);
    }
    if (t.ReadIntervalTimeout != 0 && !intervalMax) m_interval = ms(t.ReadIntervalTimeout);
}

std::optional<Clock::duration> ReadDeadline::remaining(
    size_t have, Clock::time_point now, Clock::time_point lastByte) const
{
    if (m_immediate || have >= m_requested || (m_returnWithAny && have > 0)) return Clock::duration::zero();
    std::optional<Clock::duration> left;
    if (m_total) left = *m_total > now ? *m_total - now : Clock::duration::zero();
    if (m_interval && have > 0) {
        const auto gapEnd = lastByte + *m_interval;
        const auto gapLeft = gapEnd > now ? gapEnd - now : Clock::duration::zero();
        if (!left || gapLeft < *left) left = gapLeft;
    }
    return left;
}

std::optional<Clock::time_point> writeDeadline(const CommTimeouts& t, size_t n, Clock::time_point start)
{
    if (t.WriteTotalTimeoutMultiplier == 0 && t.WriteTotalTimeoutConstant == 0) return std::nullopt;
    const uint64_t total = uint64_t(t.WriteTotalTimeoutMultiplier) * n + t.WriteTotalTimeoutConstant;
    return start + ms(total);
}

} // namespace portio

namespace portio {

int waitMilliseconds(std::optional<Clock::duration> limit)
{
    if (!limit) return -1;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(*limit).count();
    return ms <= 0 ? 0 : ms > INT_MAX ? INT_MAX : int(ms);
}

} // namespace portio
