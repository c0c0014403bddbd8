#pragma once

#include "nametarget.h"
#include "porterror.h"

#include <string>
#include <vector>

namespace portio {

// One definition of a map file and where it stands ("lab.map:3").
struct MapFileEntry {
    NameTarget definition;
    std::string where;
};

// Device names for a lab of ports, kept in a file: one NAME=TARGET a line,
// blanks around either side ignored, '#' starting a comment line, blank
// lines skipped. Returns the definitions in file order, or an error naming
// the file and, for a line that is not understood, its number.
Result<std::vector<MapFileEntry>> readMapFile(const std::string& path);

} // namespace portio
