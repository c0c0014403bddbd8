#pragma once

#include "portio/devicenamespace.h"

#include <optional>
#include <string>
#include <vector>

namespace cli {

// What the command line asks to add to the namespace.
struct DeviceOptions {
    std::optional<std::string> virtualBoard; // the value of --virtual-board
    std::vector<std::string> maps; // NAME=TARGET
};

// Installs the board and the --map definitions; returns the first problem
// (empty: none), naming the option.
std::string installDevices(portio::DeviceNamespace& ns, const DeviceOptions& options);

// COM names worth looking at: COM1 to COM99 and the board's ports.
std::vector<std::string> candidateNames(const DeviceOptions& options);

} // namespace cli
