#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

// The file that a capture writes received bytes into. The receive thread
// writes and the user-interface thread opens and closes it; every operation
// takes the same lock, so a write never lands in a file that has been closed.
// Writes to a regular file are gathered in a buffer of BufferSize bytes, so a
// fast line costs one system call per buffer rather than per chunk; flush()
// (when the line goes quiet) and close() write out what is gathered. A device
// or pipe gets every chunk as it comes.
class CaptureFile {
public:
    // Called once, on the writing thread and outside the lock, when a write
    // fails: with the number of the capture (see session()) and the OS's text.
    using FailureHandler = std::function<void(uint64_t session, const std::string& error)>;

    static constexpr size_t BufferSize = 64 * 1024;

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
    // Writes out the gathered bytes; a failure is handled as in write().
    bool flush();
    // Writes out the gathered bytes, then closes; a failure of that last
    // write is still reported to the failure handler.
    void close();
    bool isOpen() const;
    std::string lastError() const;
    // Counts the opens, so that a late failure report can be matched to the
    // capture it belongs to.
    uint64_t session() const;

private:
    bool writeLocked(const char* p, size_t n);
    bool flushLocked();
    bool failed(std::unique_lock<std::mutex>& lock);
    void closeLocked();

    mutable std::mutex m_mutex;
    int m_fd = -1;
    uint64_t m_session = 0;
    size_t m_gather = 0; // how much to gather before writing: 0 for devices and pipes
    std::string m_buffer;
    std::string m_lastError;
    FailureHandler m_onFailure;
};
