#pragma once

#include "portio/portdescription.h"

#include <string>

namespace portio {

// What sysfs, mounted at `sysRoot`, says of character device major:minor:
// the driver that serves it and the USB or PCI device behind it (ids, and
// for USB the strings the device gives). Needs no udev daemon or database,
// as in a minimal system; a device sysfs does not know is described by nothing.
PortDescription describeFromSysfs(const std::string& sysRoot, unsigned major, unsigned minor);

} // namespace portio
