#include "timestamps.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <utility>

namespace linestatus {

using std::chrono::duration_cast;
using std::chrono::milliseconds;

std::string clockStamp(WallClock::time_point at)
{
    const auto ms = duration_cast<milliseconds>(at.time_since_epoch()).count();
    const std::time_t seconds = std::time_t(ms / 1000 - (ms % 1000 < 0 ? 1 : 0));
    std::tm local {};
    ::localtime_r(&seconds, &local);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
        int((ms % 1000 + 1000) % 1000));
    return text;
}

std::string sinceStamp(WallClock::duration sincePrevious)
{
    const auto ms = std::max<long long>(0, duration_cast<milliseconds>(sincePrevious).count());
    char text[32];
    std::snprintf(text, sizeof text, "+%lld.%03lld", ms / 1000, ms % 1000);
    return text;
}

ChunkStamps::ChunkStamps(StampMode mode, std::chrono::milliseconds pause)
    : m_mode(mode)
    , m_pause(pause)
{
}

std::string ChunkStamps::forChunk(WallClock::time_point at)
{
    const bool first = std::exchange(m_first, false);
    const auto since = first ? WallClock::duration::zero() : at - m_previous;
    m_previous = at;
    if (m_mode == StampMode::Off || (!first && since < m_pause)) return {};
    return m_mode == StampMode::Clock ? clockStamp(at) : sinceStamp(since);
}

TextStamps::TextStamps(StampMode mode)
    : m_stamps(mode, milliseconds(0))
{
}

std::string TextStamps::apply(std::string_view text, WallClock::time_point at)
{
    const std::string stamp = m_stamps.forChunk(at);
    if (stamp.empty()) return std::string(text);
    std::string out;
    out.reserve(text.size() + stamp.size() + 1);
    for (char c : text) {
        if (m_atLineStart) out += stamp + " ";
        out += c;
        m_atLineStart = c == '\n';
    }
    return out;
}

} // namespace linestatus
