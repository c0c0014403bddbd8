#pragma once

namespace verify {

// The report page's style sheet: tiles in the Verify Ports window's colours,
// a layout that folds to one column on a phone, and A4 pages on paper.
extern const char* const ReportStyle;

} // namespace verify
