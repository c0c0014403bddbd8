#pragma once

#include "report.h"

#include <nlohmann/json.hpp>

namespace verify {

// The report file's content; the README documents its fields.
nlohmann::json toJson(const RunReport& report);

} // namespace verify
