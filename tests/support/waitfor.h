#pragma once

#include <chrono>
#include <functional>
#include <thread>

// Polls a condition about every millisecond until it holds or the limit has
// passed; returns whether it held. For tests: wait for a condition with a
// generous limit instead of sleeping and then asserting.
inline bool waitFor(const std::function<bool()>& cond, std::chrono::milliseconds limit = std::chrono::seconds(5))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!cond()) {
        if (std::chrono::steady_clock::now() >= end) return cond();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
