#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

// A pseudo-terminal pair for tests. The master is the "far end" a test writes,
// reads and closes; the code under test opens slavePath() like any serial
// device. The fixture keeps its own slave descriptor open so that the code
// under test may close and reopen the device without the pair hanging up.
class PtyPair {
public:
    enum class Mode {
        Raw, // slave starts in raw mode: no echo, no line editing, 8 bits
        AsCreated, // slave keeps the terminal settings openpty() gave it
    };

    explicit PtyPair(Mode mode = Mode::Raw); // throws std::runtime_error
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    // "/dev/pts/N".
    const std::string& slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }
    int slaveFd() const { return m_slave; }

    // Writes everything to the master, waiting for room up to the limit.
    bool writeAll(const void* data, size_t n, std::chrono::milliseconds limit = std::chrono::seconds(5));
    bool writeAll(std::string_view bytes, std::chrono::milliseconds limit = std::chrono::seconds(5));
    // Reads from the master until n bytes have come or the limit has passed;
    // returns what came (shorter on time-out).
    std::string readExactly(size_t n, std::chrono::milliseconds limit = std::chrono::seconds(5));
    // Whatever the master can read now, without waiting.
    std::string readAvailable();

    // Closes the far end: the slave side sees a hang-up.
    void closeMaster();
    // Closes the fixture's own slave descriptor.
    void closeSlave();
    // While locked, opening slavePath() fails, as a device node whose driver
    // is not ready yet; descriptors already open are untouched.
    void lockSlave(bool locked);

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};
