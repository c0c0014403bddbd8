#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace verify {

// The report as one web page for people: the verdict, settings, the board's
// tiles, the failing ports with when each went wrong, a rate chart per port,
// the table, the counters. Made from the JSON report (as written or read
// back), so that the page shows the file's own numbers. Self-contained:
// styles and charts are inline, nothing is loaded from anywhere.
std::string htmlReport(const nlohmann::json& report);

} // namespace verify
