#include "timeline.h"

#include <algorithm>

namespace verify {

const char* eventKindName(EventKind kind)
{
    static const char* const names[] = { "lost", "corrupt", "duplicate", "reordered", "misrouted", "framing", "parity",
        "overrun", "break", "device gone" };
    return names[size_t(kind)];
}

TimelineRecorder::TimelineRecorder()
    : m_bytes(MaxPoints, 0)
{
    m_events.reserve(MaxEvents);
}

size_t TimelineRecorder::slot(Clock::time_point at)
{
    const auto since = std::max(Clock::duration::zero(), at - m_start);
    auto index = size_t(since / m_interval);
    while (index >= MaxPoints) {
        // Twice the interval: each new point holds two old ones.
        for (size_t i = 0; i < MaxPoints / 2; ++i)
            m_bytes[i] = m_bytes[2 * i] + m_bytes[2 * i + 1];
        std::fill(m_bytes.begin() + MaxPoints / 2, m_bytes.end(), 0);
        m_used = (m_used + 1) / 2;
        m_interval *= 2;
        index = size_t(since / m_interval);
    }
    return index;
}

void TimelineRecorder::addBytes(Clock::time_point at, uint64_t n)
{
    const size_t i = slot(at);
    m_bytes[i] += n;
    m_used = std::max(m_used, i + 1);
}

void TimelineRecorder::addEvent(Clock::time_point at, uint64_t offset, EventKind kind, uint64_t count)
{
    if (m_events.size() >= MaxEvents) {
        ++m_eventsLeftOut;
        return;
    }
    m_events.push_back({ secondsOf(at), offset, kind, count });
}

double TimelineRecorder::secondsOf(Clock::time_point at) const
{
    return std::chrono::duration<double>(std::max(Clock::duration::zero(), at - m_start)).count();
}

PortTimeline TimelineRecorder::timeline() const
{
    PortTimeline t;
    t.intervalS = std::chrono::duration<double>(m_interval).count();
    t.bytes.assign(m_bytes.begin(), m_bytes.begin() + std::ptrdiff_t(m_used));
    t.events = m_events;
    t.eventsLeftOut = m_eventsLeftOut;
    return t;
}

} // namespace verify
