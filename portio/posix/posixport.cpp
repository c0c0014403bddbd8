#include "posixport.h"
#include "posixtty.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace portio {

namespace {

int accessFlags(Access access)
{
    switch (access) {
    case Access::Read:
        return O_RDONLY;
    case Access::Write:
        return O_WRONLY;
    default:
        return O_RDWR;
    }
}

// Closes the descriptor unless it has been handed on.
struct FdHolder {
    int fd;
    ~FdHolder()
    {
        if (fd >= 0) ::close(fd);
    }
    int release() { return std::exchange(fd, -1); }
};

Status checkTty(int fd, const std::string& path)
{
    struct stat st { };
    if (::fstat(fd, &st) != 0) return errnoError(errno, path);
    if (!S_ISCHR(st.st_mode) || !::isatty(fd))
        return makeError(ErrorCode::InvalidArgument, path + " is not a serial port");
    return okStatus();
}

// flock is what stops a second open, by anyone (root included), until
// close; TIOCEXCL in addition keeps out programs that do not lock.
Status lockExclusive(int fd, const std::string& path, OpenPurpose purpose)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK ? makeError(ErrorCode::Busy, path + " is in use") : errnoError(errno, path);
    if (purpose == OpenPurpose::Io && ::ioctl(fd, TIOCEXCL) != 0) return errnoError(errno, path + ": TIOCEXCL");
    return okStatus();
}

} // namespace

Result<PortPtr> openPosixPort(const std::string& devicePath, Access access, OpenPurpose purpose)
{
    FdHolder fd { ::open(devicePath.c_str(), accessFlags(access) | O_NOCTTY | O_NONBLOCK | O_CLOEXEC) };
    if (fd.fd < 0)
        return errno == EBUSY ? makeError(ErrorCode::Busy, devicePath + " is in use") : errnoError(errno, devicePath);
    if (auto e = checkTty(fd.fd, devicePath)) return e;
    if (auto e = lockExclusive(fd.fd, devicePath, purpose)) return e;
    if (purpose == OpenPurpose::Io) {
        if (auto e = tty::makeRaw(fd.fd)) {
            (void)::ioctl(fd.fd, TIOCNXCL);
            return e;
        }
    }
    return PortPtr(std::make_unique<PosixTty>(fd.release(), access, purpose));
}

} // namespace portio
