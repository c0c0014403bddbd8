#include "portdiscovery.h"

#include "portio/devicenamespace.h"
#include "portio/devicepath.h"

#include <string>

std::array<int32_t, 99> g_portPresent {};
std::array<std::string, 99> g_portDevice {};

// Only the success of the probe counts: a missing port, one that another
// program holds and one that refuses access are all simply absent.
void DetectPorts(portio::DeviceNamespace& ns)
{
    for (size_t n = 1; n <= g_portPresent.size(); ++n) {
        const std::string name = "COM" + std::to_string(n);
        g_portPresent[n - 1] = ns.probe(portio::devicePath(name)).ok() ? 1 : 0;
        auto device = ns.query(name);
        g_portDevice[n - 1] = g_portPresent[n - 1] && device ? *device : std::string();
    }
}
