#pragma once

class ConsoleCommandTable;
class UiServices;
namespace portio {
class DeviceNamespace;
}

// What the application hands every console window: the device namespace its
// ports are opened in, the table of its commands and what asks a person
// (message boxes, file dialogs). The shell builds them and keeps them for as
// long as any window lives.
struct ConsoleEnvironment {
    portio::DeviceNamespace& devices;
    const ConsoleCommandTable& commands;
    UiServices& ui;
};
