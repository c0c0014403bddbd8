#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// The moment each port of a run finished a block, so that a port's line rate
// counts complete blocks only and still does not lose up to a block to where
// the measurement happened to start or stop.
struct BlockMarks {
    using Clock = std::chrono::steady_clock;
    std::vector<uint64_t> counts;
    std::vector<std::optional<Clock::time_point>> times; // nullopt: the port finished no block
};

// Watches the counts closely until every port has finished one more block,
// or until `limit`, and notes when each port did.
BlockMarks nextBlockMarks(const std::function<std::vector<uint64_t>()>& counts, std::chrono::milliseconds limit);

// Per port: the bytes of the blocks finished between two marks as a share of
// what the line carries in that time; 0 for a port that finished none.
std::vector<double> lineShares(const BlockMarks& from, const BlockMarks& to, double lineBytesPerSecond, size_t block);
