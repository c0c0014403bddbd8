#include "residentmemory.h"

#include <fstream>
#include <malloc.h>
#include <sstream>
#include <string>

ResidentMemory residentMemory()
{
    ResidentMemory m;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        std::istringstream fields(line);
        std::string key;
        uint64_t kib = 0;
        if (!(fields >> key >> kib)) continue;
        if (key == "RssAnon:")
            m.anonKiB = kib;
        else if (key == "VmRSS:")
            m.totalKiB = kib;
    }
    const struct mallinfo2 heap = ::mallinfo2();
    m.heapInUseKiB = (heap.uordblks + heap.hblkhd) / 1024;
    return m;
}
