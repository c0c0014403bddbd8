#pragma once

#include "devices.h"

#include "portio/devicenamespace.h"

namespace cli {

// What every command gets: the namespace main() built, with the board and
// the --map definitions in it.
struct Context {
    portio::DeviceNamespace& ns;
    const DeviceOptions& devices;
};

} // namespace cli
