#pragma once

#include <cstddef>
#include <mutex>
#include <string>

// The file that a capture writes received bytes into. The receive thread
// writes and the user-interface thread opens and closes it; every operation
// takes the same lock, so a write never lands in a file that has been closed.
class CaptureFile {
public:
    CaptureFile() = default;
    ~CaptureFile();
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    // Creates the file, or empties it when it exists. On failure returns
    // false with the OS's text in `error`.
    bool open(const std::string& path, std::string* error = nullptr);
    // Appends the bytes unchanged when a file is open. Returns false when the
    // write failed (the OS's text is then in lastError()).
    bool write(const void* data, size_t n);
    void close();
    bool isOpen() const;
    std::string lastError() const;

private:
    mutable std::mutex m_mutex;
    int m_fd = -1;
    std::string m_lastError;
};
