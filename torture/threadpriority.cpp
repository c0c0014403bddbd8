#include "threadpriority.h"

#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace torture {

namespace {
// Roughly one step below normal: enough for the scheduler to favour the
// interface thread, not so much that the writers starve on a busy machine.
constexpr int BelowNormalNiceStep = 5;
} // namespace

void lowerCurrentThreadPriority()
{
    // On Linux the nice value is per thread when addressed by thread id.
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, tid);
    if (current == -1 && errno != 0) return;
    setpriority(PRIO_PROCESS, tid, current + BelowNormalNiceStep);
}

} // namespace torture
