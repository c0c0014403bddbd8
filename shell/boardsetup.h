#pragma once

#include "commandline.h"

#include <QStringList>

namespace portio {
class DeviceNamespace;
}

// Puts the command line's devices into the device namespace: the virtual
// board (when asked for) and every --map definition. Returns the problems
// found, one line each (start-up goes on without what failed).
QStringList installDevices(const CommandLineOptions& options, portio::DeviceNamespace& devices);
