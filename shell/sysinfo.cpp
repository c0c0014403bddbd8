#include "sysinfo.h"

#include <sys/statvfs.h>
#include <sys/sysinfo.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

bool isOctal(char c)
{
    return c >= '0' && c <= '7';
}

// mountinfo escapes blanks, tabs, newlines and backslashes as a backslash and three octal digits.
std::string unescapeOctal(const std::string& field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const bool escape = field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) && isOctal(field[i + 2])
            && isOctal(field[i + 3]);
        if (escape) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

// The mount point is the fifth field: id, parent id, major:minor, root, mount point.
std::optional<std::string> mountPointField(const std::string& line)
{
    std::istringstream fields(line);
    std::string field;
    for (int i = 0; i < 5; ++i) {
        if (!(fields >> field)) return std::nullopt;
    }
    return unescapeOctal(field);
}

bool holds(const std::string& mountPoint, const std::string& path)
{
    if (mountPoint == "/") return true;
    if (path.compare(0, mountPoint.size(), mountPoint) != 0) return false;
    return path.size() == mountPoint.size() || path[mountPoint.size()] == '/';
}

std::optional<std::string> resolvedPath(const std::string& directory)
{
    char buffer[PATH_MAX];
    if (!realpath(directory.c_str(), buffer)) return std::nullopt;
    return std::string(buffer);
}

std::string readFile(const char* name)
{
    std::ifstream in(name);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

std::optional<std::uint64_t> totalMemoryKb()
{
    struct sysinfo info { };
    if (sysinfo(&info) != 0) return std::nullopt;
    const unsigned __int128 bytes = static_cast<unsigned __int128>(info.totalram) * info.mem_unit;
    return static_cast<std::uint64_t>(bytes >> 10);
}

std::optional<std::string> mountPointIn(const std::string& mountinfo, const std::string& path)
{
    std::optional<std::string> best;
    std::istringstream lines(mountinfo);
    for (std::string line; std::getline(lines, line);) {
        const auto point = mountPointField(line);
        if (point && holds(*point, path) && (!best || point->size() >= best->size())) best = point;
    }
    return best;
}

std::optional<DiskSpace> diskSpaceOf(const std::string& directory)
{
    struct statvfs fs { };
    const auto path = resolvedPath(directory);
    if (!path || statvfs(path->c_str(), &fs) != 0) return std::nullopt;
    const auto point = mountPointIn(readFile("/proc/self/mountinfo"), *path);
    if (!point) return std::nullopt;
    // 128 bits so that the product stays exact on any file system size.
    const unsigned __int128 bytes = static_cast<unsigned __int128>(fs.f_bavail) * fs.f_frsize;
    return DiskSpace { static_cast<std::uint64_t>(bytes / 1024), *point };
}
