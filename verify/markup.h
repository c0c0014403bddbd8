#pragma once

#include <string>

namespace verify {

// Text for XML and HTML: "&", "<", ">" and double quotes escaped (every
// attribute we write is in double quotes).
std::string markupEscaped(const std::string& text);

} // namespace verify
