#pragma once

#include <array>
#include <cstdint>

namespace portio {
class DeviceNamespace;
}

// Entry n-1 is 1 when COMn could be opened at start-up, else 0.
extern std::array<int32_t, 99> g_portPresent;

// Probes COM1 to COM99 once and fills g_portPresent.
void DetectPorts(portio::DeviceNamespace& ns);
