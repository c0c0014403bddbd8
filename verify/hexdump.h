#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace verify {

// "1a 03 00": bytes as two-digit hex, separated by blanks.
std::string hexBytes(const uint8_t* data, size_t n);

} // namespace verify
