#pragma once

#include "portio/devicenamespace.h"

#include <optional>
#include <string>
#include <vector>

namespace cli {

// What the command line asks to add to the namespace.
struct DeviceOptions {
    std::optional<std::string> virtualBoard; // the value of --virtual-board
    std::string mapFile; // --map-file: definitions that --map may override
    std::vector<std::string> maps; // NAME=TARGET
};

// Installs the board, the map file's definitions and then the --map ones;
// returns the first problem (empty: none), naming the option or the file's line.
std::string installDevices(portio::DeviceNamespace& ns, const DeviceOptions& options);

// COM names worth looking at: COM1 to COM99 and the board's ports.
std::vector<std::string> candidateNames(const DeviceOptions& options);

} // namespace cli
