#include "bench/support/capturefiles.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

void writeSource(const std::string& path, size_t n)
{
    std::ofstream out(path, std::ios::binary);
    std::string block(1 << 20, '\0');
    uint64_t x = 0x9E3779B97F4A7C15ull;
    for (size_t done = 0; done < n; done += block.size()) {
        for (char& c : block) {
            x ^= x << 13, x ^= x >> 7, x ^= x << 17;
            c = char(x);
        }
        out.write(block.data(), std::streamsize(std::min(block.size(), n - done)));
    }
}

std::string sha256(const std::string& path)
{
    const std::string command = "sha256sum '" + path + "'";
    FILE* p = ::popen(command.c_str(), "r");
    char digest[65] = {};
    if (!p || std::fscanf(p, "%64s", digest) != 1) std::abort();
    ::pclose(p);
    return digest;
}

off_t fileSize(const std::string& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}
