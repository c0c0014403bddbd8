#pragma once

#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <string_view>

// The bytes a session handed on, collected from whichever thread handed them.
struct HeardBytes {
    void add(std::string_view b)
    {
        std::lock_guard lock(mutex);
        bytes += b;
    }
    std::string received() const
    {
        std::lock_guard lock(mutex);
        return bytes;
    }
    mutable std::mutex mutex;
    std::string bytes;
};

inline std::string fileContent(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream got;
    got << in.rdbuf();
    return got.str();
}
