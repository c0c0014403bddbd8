#include "capturefile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

CaptureFile::~CaptureFile()
{
    close();
}

bool CaptureFile::open(const std::string& path, std::string* error)
{
    std::lock_guard lock(m_mutex);
    if (m_fd >= 0) ::close(m_fd);
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_fd < 0 && error) *error = std::strerror(errno);
    return m_fd >= 0;
}

bool CaptureFile::write(const void* data, size_t n)
{
    std::lock_guard lock(m_mutex);
    if (m_fd < 0) return true;
    auto* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t w = ::write(m_fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            m_lastError = w < 0 ? std::strerror(errno) : "nothing written";
            return false;
        }
        p += w;
        n -= size_t(w);
    }
    return true;
}

void CaptureFile::close()
{
    std::lock_guard lock(m_mutex);
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

bool CaptureFile::isOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_fd >= 0;
}

std::string CaptureFile::lastError() const
{
    std::lock_guard lock(m_mutex);
    return m_lastError;
}
