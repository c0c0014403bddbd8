#pragma once

#include <cstdint>

class ConsoleTarget;
class ConsoleCommandTable;

// "Assert RTS", "Drop RTS", "Assert DTR", "Drop DTR": one device-control
// request each, with the published serial control code. Nothing is
// remembered: repeating a command sends the request again. A refused request
// shows the command's own failure text once; the window stays connected.
struct ModemLineCommand {
    int commandId;
    uint32_t controlCode;
    const char* failureText;
};

// Runs one of them on the view's port ("No port connected" when not connected).
void runModemLineCommand(ConsoleTarget& view, const ModemLineCommand& command);

void registerModemCommands(ConsoleCommandTable& table);
