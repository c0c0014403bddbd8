#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// Pseudo-terminal pairs whose far ends (masters) are drained by one reader
// thread each, counting what arrives.
class PtyFarm {
public:
    explicit PtyFarm(int pairs);
    ~PtyFarm();
    PtyFarm(const PtyFarm&) = delete;
    PtyFarm& operator=(const PtyFarm&) = delete;

    const std::vector<std::string>& slavePaths() const { return m_paths; }
    const std::vector<int>& slaveFds() const { return m_slaves; }
    uint64_t bytesRead() const { return m_bytes.load(); }
    void resetCount() { m_bytes.store(0); }

private:
    void drain(int masterFd);

    std::vector<int> m_masters;
    std::vector<int> m_slaves;
    std::vector<std::string> m_paths;
    std::vector<std::thread> m_readers;
    std::atomic<bool> m_stop { false };
    std::atomic<uint64_t> m_bytes { 0 };
};
