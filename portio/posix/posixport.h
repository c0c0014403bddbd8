#pragma once

#include "portio/port.h"

#include <string>

namespace portio {

// Opens a tty device node (a UART, a USB adapter, a pseudo-terminal) as a Port.
Result<PortPtr> openPosixPort(const std::string& devicePath, Access access, OpenPurpose purpose);

} // namespace portio
