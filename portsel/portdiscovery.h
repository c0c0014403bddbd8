#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace portio {
class DeviceNamespace;
}

// Entry n-1 is 1 when COMn could be opened at start-up, else 0.
extern std::array<int32_t, 99> g_portPresent;
// Entry n-1: the device COMn stood for when it was found (empty when absent),
// so that the port list can say which COM is which device.
extern std::array<std::string, 99> g_portDevice;

// Probes COM1 to COM99 once and fills g_portPresent and g_portDevice.
void DetectPorts(portio::DeviceNamespace& ns);
