#include "mapfile.h"

#include "blanks.h"

#include <cerrno>
#include <fstream>

namespace portio {

namespace {

// What one line says: nothing for a blank or comment line, else its definition.
Result<std::optional<NameTarget>> definitionOf(std::string_view line, const std::string& where)
{
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1); // written on Windows
    const std::string_view text = trimBlanks(line);
    if (text.empty() || text.front() == '#') return std::optional<NameTarget>();
    auto parsed = parseNameTarget(text);
    if (parsed) {
        parsed->name = std::string(trimBlanks(parsed->name));
        parsed->target = std::string(trimBlanks(parsed->target));
    }
    if (!parsed || parsed->name.empty() || parsed->target.empty())
        return makeError(
            ErrorCode::InvalidArgument, where + ": expected NAME=TARGET, not \"" + std::string(text) + "\"");
    return parsed;
}

} // namespace

Result<std::vector<MapFileEntry>> readMapFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return errnoError(errno, path);
    std::vector<MapFileEntry> entries;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string where = path + ":" + std::to_string(number);
        auto d = definitionOf(line, where);
        if (!d) return d.error();
        if (*d) entries.push_back({ std::move(**d), where });
    }
    if (in.bad()) return errnoError(errno, path);
    return entries;
}

} // namespace portio
