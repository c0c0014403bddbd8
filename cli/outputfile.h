#pragma once

#include <string>

namespace cli {

// Writes a report file whole; says on stderr when it cannot.
bool writeFile(const std::string& path, const std::string& text);

} // namespace cli
