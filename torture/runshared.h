#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace torture {

// What the writers of one run share with the run: the flag they poll, the
// latest progress any of them made, and how many of them have ended.
struct RunShared {
    std::atomic<bool> running { false };
    std::atomic<uint64_t> latestCount { 0 };
    std::atomic<uint64_t> updates { 0 };

    std::mutex finishMutex;
    std::condition_variable finishChanged;
    size_t finished = 0;
};

} // namespace torture
