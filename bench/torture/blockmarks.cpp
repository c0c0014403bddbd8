#include "blockmarks.h"

#include <algorithm>
#include <thread>

namespace {
// Fine enough that where within it a block ended is lost in the rounding.
constexpr auto PollEvery = std::chrono::microseconds(200);
} // namespace

BlockMarks nextBlockMarks(const std::function<std::vector<uint64_t>()>& counts, std::chrono::milliseconds limit)
{
    const auto start = counts();
    BlockMarks marks { start, std::vector<std::optional<BlockMarks::Clock::time_point>>(start.size()) };
    const auto end = BlockMarks::Clock::now() + limit;
    size_t left = start.size();
    while (left > 0 && BlockMarks::Clock::now() < end) {
        std::this_thread::sleep_for(PollEvery);
        const auto now = counts();
        const auto at = BlockMarks::Clock::now();
        for (size_t i = 0; i < std::min(now.size(), start.size()); ++i)
            if (!marks.times[i] && now[i] != start[i]) {
                marks.times[i] = at;
                marks.counts[i] = now[i];
                --left;
            }
    }
    return marks;
}

std::vector<double> lineShares(const BlockMarks& from, const BlockMarks& to, double lineBytesPerSecond, size_t block)
{
    std::vector<double> shares(from.counts.size(), 0.0);
    for (size_t i = 0; i < shares.size() && i < to.counts.size(); ++i) {
        if (!from.times[i] || !to.times[i]) continue;
        const double seconds = std::chrono::duration<double>(*to.times[i] - *from.times[i]).count();
        const double bytes = double(to.counts[i] - from.counts[i]) * double(block);
        if (seconds > 0) shares[i] = bytes / (lineBytesPerSecond * seconds);
    }
    return shares;
}
