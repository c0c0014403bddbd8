#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace linestatus {

enum class StampMode {
    Off,
    Clock, // the local time a chunk arrived, "HH:MM:SS.mmm"
    SincePrevious, // the time since the chunk before, "+S.mmm"
};

using WallClock = std::chrono::system_clock;

std::string clockStamp(WallClock::time_point at);
std::string sinceStamp(WallClock::duration sincePrevious);

// Stamps for received chunks: one for a chunk that comes after a pause of at
// least `pause` (and for the first), none for the chunks of a burst.
class ChunkStamps {
public:
    explicit ChunkStamps(StampMode mode, std::chrono::milliseconds pause = std::chrono::milliseconds(100));

    StampMode mode() const { return m_mode; }
    // The stamp of a chunk that arrived at `at` (empty: none).
    std::string forChunk(WallClock::time_point at);

private:
    StampMode m_mode;
    std::chrono::milliseconds m_pause;
    bool m_first = true;
    WallClock::time_point m_previous;
};

// The text view's stamps: each line that starts gets the stamp of the chunk
// whose byte starts it, then a blank. Text lines end in '\n'.
class TextStamps {
public:
    explicit TextStamps(StampMode mode);

    std::string apply(std::string_view text, WallClock::time_point at);

private:
    ChunkStamps m_stamps;
    bool m_atLineStart = true;
};

} // namespace linestatus
