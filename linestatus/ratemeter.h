#pragma once

#include <chrono>
#include <cstdint>
#include <deque>

namespace linestatus {

// The current rate of a growing byte total: the growth over about the last
// window, per second. Samples that stop growing bring the rate down to 0.
class RateMeter {
public:
    using Clock = std::chrono::steady_clock;

    // A strip that read "0 B/s" a second after a burst told nothing; five
    // seconds still show that bytes came.
    static constexpr std::chrono::milliseconds DefaultWindow { 5000 };

    explicit RateMeter(std::chrono::milliseconds window = DefaultWindow);

    void sample(uint64_t total, Clock::time_point now);
    double perSecond() const;

private:
    struct Sample {
        uint64_t total;
        Clock::time_point at;
    };

    std::chrono::milliseconds m_window;
    std::deque<Sample> m_samples;
};

} // namespace linestatus
