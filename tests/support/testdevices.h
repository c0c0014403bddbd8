#pragma once

#include "portio/devicenamespace.h"

// The device namespace the console tests' windows open their ports in.
inline portio::DeviceNamespace& testDevices()
{
    static portio::DeviceNamespace devices;
    return devices;
}
