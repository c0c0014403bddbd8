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
    if (m_fd >= 0) flushLocked();
    closeLocked();
    m_fd = openLockedAndEmpty(path);
    struct stat st { };
    m_gather = m_fd >= 0 && ::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode) ? BufferSize : 0;
    m_buffer.reserve(m_gather);
    if (m_fd < 0 && error) *error = std::strerror(errno);
    ++m_session;
    m_lastError.clear();
    m_onFailure = std::move(onFailure);
    return m_fd >= 0;
}

bool CaptureFile::write(const void* data, size_t n)
{
    std::unique_lock lock(m_mutex);
    if (m_fd < 0) return true;
    if (m_buffer.size() + n > m_gather && !flushLocked()) return failed(lock);
    // What does not fit the buffer goes straight to the file.
    if (n >= m_gather) return writeLocked(static_cast<const char*>(data), n) || failed(lock);
    m_buffer.append(static_cast<const char*>(data), n);
    return true;
}

bool CaptureFile::flush()
{
    std::unique_lock lock(m_mutex);
    return m_fd < 0 || flushLocked() || failed(lock);
}

bool CaptureFile::flushLocked()
{
    const bool ok = writeLocked(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
    return ok;
}

// Closes the file after a failed write and tells the failure handler, outside
// the lock. Returns false, the result of the failed write.
bool CaptureFile::failed(std::unique_lock<std::mutex>& lock)
{
    ::close(m_fd);
    m_fd = -1;
    FailureHandler report = std::move(m_onFailure);
    m_onFailure = nullptr;
    const uint64_t session = m_session;
    const std::string text = m_lastError;
    lock.unlock();
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
    std::unique_lock lock(m_mutex);
    if (m_fd >= 0 && !flushLocked()) {
        failed(lock);
        return;
    }
    closeLocked();
}

void CaptureFile::closeLocked()
{
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_buffer.clear();
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
