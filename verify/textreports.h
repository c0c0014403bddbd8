#pragma once

#include "report.h"

#include <string>

namespace verify {

// The summary table for people: one line per port and a result line.
std::string summaryTable(const RunReport& report);
// JUnit XML: one test case per port, a failure with its reason.
std::string junitXml(const RunReport& report);
// One row per port, with a header row.
std::string csvTable(const RunReport& report);

} // namespace verify
