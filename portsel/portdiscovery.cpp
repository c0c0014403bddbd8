#include "portdiscovery.h"

std::array<int32_t, 99> g_portPresent {};

// Placeholder until port discovery lands: no port is present.
void DetectPorts(portio::DeviceNamespace&) { g_portPresent.fill(0); }
