#pragma once

#include "portio/porterror.h"

#include <string>
#include <string_view>
#include <vector>

namespace verify {

// Ports as the user names them: "COM3-COM98", "COM3,COM5", device paths, or
// a mix of these separated by commas.
portio::Result<std::vector<std::string>> parsePortList(std::string_view text);

// For each port, the index of the port whose data it receives: "loopback"
// (its own), "pairs" (neighbours in the list: first with second, ...), or
// explicit pairs "COM3:COM7,COM4:COM9" of ports from the list.
portio::Result<std::vector<int>> planWiring(std::string_view wiring, const std::vector<std::string>& ports);

} // namespace verify
