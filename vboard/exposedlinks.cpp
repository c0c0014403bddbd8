#include "exposedlinks.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vboard {

using portio::errnoError;
using portio::okStatus;

namespace {

// What the signal handler removes: fixed storage, as a handler may not allocate.
constexpr int kMaxLinks = 1024; // links and their locks
std::array<std::array<char, PATH_MAX>, kMaxLinks> g_links {};
std::atomic<int> g_linkCount { 0 };

void removeLinksAndDie(int sig)
{
    const int n = g_linkCount.load();
    for (int i = 0; i < n; ++i)
        if (g_links[size_t(i)][0]) ::unlink(g_links[size_t(i)].data());
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void installHandlers()
{
    static std::atomic<bool> installed { false };
    if (installed.exchange(true)) return;
    for (int sig : { SIGTERM, SIGINT, SIGHUP }) {
        struct sigaction old { };
        if (::sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
        struct sigaction sa { };
        sa.sa_handler = removeLinksAndDie;
        sigemptyset(&sa.sa_mask);
        ::sigaction(sig, &sa, nullptr);
    }
}

void remember(const std::string& path)
{
    const int i = g_linkCount.load();
    if (i >= kMaxLinks || path.size() >= PATH_MAX) return;
    std::memcpy(g_links[size_t(i)].data(), path.c_str(), path.size() + 1);
    g_linkCount.store(i + 1);
}

void forget(const std::string& path)
{
    const int n = g_linkCount.load();
    for (int i = 0; i < n; ++i)
        if (path == g_links[size_t(i)].data()) g_links[size_t(i)][0] = '\0';
}

// A folder of ours that only we may enter; an existing one is tightened.
portio::Status privateDir(const std::string& path)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return errnoError(errno, "making " + path);
    struct stat st { };
    if (::lstat(path.c_str(), &st) != 0) return errnoError(errno, path);
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return portio::makeError(portio::ErrorCode::AccessDenied, path + " is not a folder of this user");
    if ((st.st_mode & 0777) != 0700 && ::chmod(path.c_str(), 0700) != 0) return errnoError(errno, path);
    return okStatus();
}

// The process id a lock holds, as written there.
std::string holderOf(int fd)
{
    char buf[32] = {};
    const ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
    std::string pid(buf, size_t(std::max<ssize_t>(n, 0)));
    while (!pid.empty() && (pid.back() == '\n' || pid.back() == ' '))
        pid.pop_back();
    return pid.empty() ? "unknown" : pid;
}

// Whether fd is still the file at path: a holder that ended may have
// removed it between our open and our lock.
bool stillAt(int fd, const std::string& path)
{
    struct stat mine {
    }, there {};
    return ::fstat(fd, &mine) == 0 && ::stat(path.c_str(), &there) == 0 && mine.st_ino == there.st_ino
        && mine.st_dev == there.st_dev;
}

} // namespace

std::string ExposedLinks::defaultDir()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string base
        = runtime && *runtime ? std::string(runtime) + "/vesperline" : "/tmp/vesperline-" + std::to_string(::getuid());
    return base + "/board";
}

ExposedLinks::ExposedLinks(std::string dir)
    : m_dir(std::move(dir))
{
}

ExposedLinks::~ExposedLinks()
{
    for (const auto& link : m_links) {
        forget(link);
        ::unlink(link.c_str());
    }
    // Removed while still locked, so that nobody takes over a lock on its way out.
    for (const auto& [path, fd] : m_locks) {
        forget(path);
        ::unlink(path.c_str());
        ::close(fd);
    }
}

portio::Status ExposedLinks::claim(const std::string& name, const std::string& link)
{
    const std::string lock = link + ".lock";
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) return errnoError(errno, "locking " + lock);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int err = errno;
            const std::string holder = holderOf(fd);
            ::close(fd);
            if (err != EWOULDBLOCK) return errnoError(err, "locking " + lock);
            return portio::makeError(portio::ErrorCode::Busy,
                name + " is already exposed by another program (process " + holder + "; lock " + lock + ")");
        }
        if (!stillAt(fd, lock)) {
            ::close(fd);
            continue;
        }
        // Unlocked: its holder, if any, no longer runs. The lock is ours now,
        // and goes with us also when a signal ends the program; so does the
        // link, even the stale one we have not replaced yet.
        installHandlers();
        remember(lock);
        remember(link);
        m_locks.emplace_back(lock, fd);
        const std::string pid = std::to_string(::getpid()) + "\n";
        if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.data(), pid.size(), 0) != ssize_t(pid.size()))
            return errnoError(errno, "writing " + lock);
        return okStatus();
    }
    return portio::makeError(portio::ErrorCode::Busy, name + ": its lock " + lock + " keeps changing hands");
}

portio::Status ExposedLinks::makeDir()
{
    const auto slash = m_dir.rfind('/');
    if (slash != std::string::npos && slash > 0)
        if (auto e = privateDir(m_dir.substr(0, slash))) return e;
    return privateDir(m_dir);
}

portio::Status ExposedLinks::add(const std::string& name, const std::string& target)
{
    if (auto e = makeDir()) return e;
    const std::string link = m_dir + "/" + name;
    if (auto e = claim(name, link)) return e;
    const std::string fresh = link + ".new";
    // A new link takes the place of a stale one in one step.
    ::unlink(fresh.c_str());
    if (::symlink(target.c_str(), fresh.c_str()) != 0) return errnoError(errno, "linking " + fresh);
    if (::rename(fresh.c_str(), link.c_str()) != 0) {
        const int err = errno;
        forget(link);
        ::unlink(fresh.c_str());
        return errnoError(err, "linking " + link);
    }
    m_links.push_back(link);
    return okStatus();
}

} // namespace vboard
