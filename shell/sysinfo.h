#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The system facts the about box shows, read with plain POSIX / Linux calls.

// Total physical memory in KB (rounded down); nothing when the kernel does not say.
std::optional<std::uint64_t> totalMemoryKb();

struct DiskSpace {
    std::uint64_t freeKb = 0; // available to an unprivileged user, rounded down
    std::string mountPoint; // of the file system holding the directory
};

// Free space of the file system that holds `directory`; nothing when it cannot be queried.
std::optional<DiskSpace> diskSpaceOf(const std::string& directory);

// The mount point that holds the absolute, resolved `path`, from the text of
// /proc/self/mountinfo: the longest mount point that is a prefix of the path
// (the later entry when a point is mounted over). Nothing when none matches.
std::optional<std::string> mountPointIn(const std::string& mountinfo, const std::string& path);
