#include "wake.h"

#include <cerrno>
#include <sys/eventfd.h>
#include <unistd.h>

namespace portio {

Wake::Wake()
{
    const int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd < 0) m_status = errnoError(errno, "making a wake-up descriptor (eventfd)");
    m_handle = fd;
}

Wake::~Wake()
{
    if (m_handle >= 0) ::close(int(m_handle));
}

void Wake::ring()
{
    const uint64_t one = 1;
    (void)::write(int(m_handle), &one, sizeof one);
}

void Wake::drain()
{
    uint64_t count;
    (void)::read(int(m_handle), &count, sizeof count);
}

} // namespace portio
