#include "capturefile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Opens and locks before emptying, so a file that someone else holds locked
// keeps its content. Devices (/dev/null, /dev/full) cannot be truncated.
int openLockedAndEmpty(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    struct stat st { };
    const bool ok = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &st) == 0
        && (!S_ISREG(st.st_mode) || ::ftruncate(fd, 0) == 0);
    if (ok) return fd;
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return -1;
}

} // namespace

CaptureFile::~CaptureFile()
{
    close();
}

bool CaptureFile::open(const std::string& path, std::string* error, FailureHandler onFailure)
{
    std::lock_guard lock(m_mutex);
    if (m_fd >= 0) ::close(m_fd);
    m_fd = openLockedAndEmpty(path);
    if (m_fd < 0 && error) *error = std::strerror(errno);
    ++m_session;
    m_lastError.clear();
    m_onFailure = std::move(onFailure);
    return m_fd >= 0;
}

bool CaptureFile::write(const void* data, size_t n)
{
    FailureHandler report;
    uint64_t session = 0;
    std::string text;
    {
        std::lock_guard lock(m_mutex);
        if (m_fd < 0 || writeLocked(static_cast<const char*>(data), n)) return true;
        ::close(m_fd);
        m_fd = -1;
        report = std::move(m_onFailure);
        m_onFailure = nullptr;
        session = m_session;
        text = m_lastError;
    }
    if (report) report(session, text);
    return false;
}

bool CaptureFile::writeLocked(const char* p, size_t n)
{
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
    m_onFailure = nullptr;
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

uint64_t CaptureFile::session() const
{
    std::lock_guard lock(m_mutex);
    return m_session;
}
