#include "portdiscovery.h"

#include "portio/devicenamespace.h"
#include "portio/devicepath.h"

#include <string>

std::array<int32_t, 99> g_portPresent {};

// Only the success of the probe counts: a missing port, one that another
// program holds and one that refuses access are all simply absent.
void DetectPorts(portio::DeviceNamespace& ns)
{
    for (size_t n = 1; n <= g_portPresent.size(); ++n)
        g_portPresent[n - 1] = ns.probe(portio::devicePath("COM" + std::to_string(n))).ok() ? 1 : 0;
}
