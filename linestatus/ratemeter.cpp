#include "ratemeter.h"

namespace linestatus {

RateMeter::RateMeter(std::chrono::milliseconds window)
    : m_window(window)
{
}

void RateMeter::sample(uint64_t total, Clock::time_point now)
{
    m_samples.push_back({ total, now });
    // Keep one sample at or before the window's start, so that the span is
    // the whole window once it has passed.
    while (m_samples.size() > 2 && now - m_samples[1].at >= m_window)
        m_samples.pop_front();
}

double RateMeter::perSecond() const
{
    if (m_samples.size() < 2) return 0;
    const double span = std::chrono::duration<double>(m_samples.back().at - m_samples.front().at).count();
    if (span <= 0) return 0;
    return double(m_samples.back().total - m_samples.front().total) / span;
}

} // namespace linestatus
