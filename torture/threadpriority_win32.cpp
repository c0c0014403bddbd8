#include "threadpriority.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace torture {

void lowerCurrentThreadPriority()
{
    (void)SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
}

} // namespace torture
