#pragma once

#include "portio/port.h"

#include <cstdint>

namespace torture {

// Puts a freshly opened port into the state the load run needs: receive
// events, 4 KiB queues, both directions purged, reads that return at once,
// writes limited to 100 s, DTR up, and the run's baud rate in the port's own
// line settings. Only the baud rate's outcome matters: false when the port
// refused it (the port then keeps its former rate).
bool setUpTorturePort(portio::Port& port, uint32_t baudRate);

} // namespace torture
