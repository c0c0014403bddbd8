#include "comnaming.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace portio::naming {

namespace {

// "com12" -> 12; nothing for other names, 0 or leading zeros.
std::optional<unsigned> comNumber(const std::string& name)
{
    if (name.size() < 4 || name.size() > 12 || name.compare(0, 3, "com") != 0 || name[3] == '0') return std::nullopt;
    unsigned n = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return std::nullopt;
        n = n * 10 + unsigned(name[i] - '0');
    }
    return n;
}

bool nodeExists(const fs::path& p)
{
    std::error_code ec;
    return fs::exists(p, ec);
}

} // namespace

std::string lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

std::string defaultLinkDir()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"))
        base = std::string(home) + "/.config";
    else
        return {};
    return base + "/vesperline/dosdevices";
}

std::optional<std::string> linkTarget(const std::string& linkDir, const std::string& lowerName)
{
    std::error_code ec;
    for (fs::directory_iterator it(linkDir, ec), end; !ec && it != end; it.increment(ec)) {
        if (lower(it->path().filename().string()) != lowerName || !it->is_symlink(ec)) continue;
        const fs::path target = fs::read_symlink(it->path(), ec);
        if (ec) return std::nullopt;
        return (target.is_absolute() ? target : fs::path(linkDir) / target).string();
    }
    return std::nullopt;
}

std::optional<std::string> defaultComTarget(const std::string& devDir, const std::string& lowerName)
{
    const auto number = comNumber(lowerName);
    if (!number) return std::nullopt;
    unsigned left = *number;
    for (const char* series : { "ttyS", "ttyUSB", "ttyACM" }) {
        for (unsigned i = 0;; ++i) {
            const fs::path node = fs::path(devDir) / (series + std::to_string(i));
            if (!nodeExists(node)) break;
            if (--left == 0) return node.string();
        }
    }
    return std::nullopt;
}

} // namespace portio::naming
