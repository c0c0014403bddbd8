#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Reads a whole-number entry as typed into a dialog field: blanks or tabs
// around, an optional sign, decimal digits, nothing else. Zero counts only when
// the first character after the leading blanks is the digit 0, so "-0" and
// "+0" are refused. A value outside the signed 32-bit range is refused rather
// than wrapped. Nothing when the text is refused.
std::optional<int32_t> parseIntegerEntry(std::string_view text);
