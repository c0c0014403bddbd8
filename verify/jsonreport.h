#pragma once

#include "report.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <string>

namespace verify {

// The report file's content; the README documents its fields.
nlohmann::json toJson(const RunReport& report);
// "2026-12-09T01:52:07Z".
std::string utcText(std::chrono::system_clock::time_point t);
// The report file as written: indented, one line break at the end. Names
// need not be UTF-8; what is not comes out as replacement characters.
std::string jsonText(const RunReport& report);

} // namespace verify
