#pragma once

#include "report.h"

#include <nlohmann/json.hpp>

#include <string>

namespace verify {

// The report file's content; the README documents its fields.
nlohmann::json toJson(const RunReport& report);
// The report file as written: indented, one line break at the end. Names
// need not be UTF-8; what is not comes out as replacement characters.
std::string jsonText(const RunReport& report);

} // namespace verify
