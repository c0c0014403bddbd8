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

    explicit RateMeter(std::chrono::milliseconds window = std::chrono::seconds(1));

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
