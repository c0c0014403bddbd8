#pragma once

#include <string>

namespace cli {

// This machine's name, for the reports; empty when the system will not say.
std::string hostName();

} // namespace cli
