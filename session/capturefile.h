#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

// The file that a capture writes received bytes into. The receive thread
// writes and the user-interface thread opens and closes it; every operation
// takes the same lock, so a write never lands in a file that has been closed.
class CaptureFile {
public:
    // Called once, on the writing thread and outside the lock, when a write
    // fails: with the number of the capture (see session()) and the OS's text.
    using FailureHandler = std::function<void(uint64_t session, const std::string& error)>;

    CaptureFile() = default;
    ~CaptureFile();
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    // Creates the file, or empties it when it exists, and holds an exclusive
    // lock on it (flock) while it is open: a file that another holder has
    // locked is refused and left untouched. On failure returns false with the
    // OS's text in `error`.
    bool open(const std::string& path, std::string* error = nullptr, FailureHandler onFailure = {});
    // Appends the bytes unchanged when a file is open. A failed write closes
    // the file (nothing more is written to it), tells the failure handler and
    // returns false (the OS's text is then in lastError()); later writes do
    // nothing until the next open.
    bool write(const void* data, size_t n);
    void close();
    bool isOpen() const;
    std::string lastError() const;
    // Counts the opens, so that a late failure report can be matched to the
    // capture it belongs to.
    uint64_t session() const;

private:
    bool writeLocked(const char* p, size_t n);

    mutable std::mutex m_mutex;
    int m_fd = -1;
    uint64_t m_session = 0;
    std::string m_lastError;
    FailureHandler m_onFailure;
};
