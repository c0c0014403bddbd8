#pragma once

class ConsoleCommandTable;
namespace portio {
class DeviceNamespace;
}

// What the application hands every console window: the device namespace its
// ports are opened in and the table of its commands. The shell builds both
// and keeps them for as long as any window lives.
struct ConsoleEnvironment {
    portio::DeviceNamespace& devices;
    const ConsoleCommandTable& commands;
};
