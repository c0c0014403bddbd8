#pragma once

#include "driverext/messagesink.h"

namespace driverext {
struct Receive2KOptions;
}

class ConsoleTarget;
class ConsoleCommandTable;
class UiServices;

// The board driver's commands of a console window: the Receive 2K test and the
// nine diagnostic commands, reached by command ID.

// "Receive 2K": disconnects the window, asks for a port and runs the one-shot
// receive test on it; the windows stay painted meanwhile and the console
// window cannot be closed until the test has ended.
void OnReceive2K(ConsoleTarget& view);

// The diagnostic commands. Those that act on the window's connection show
// "No port connected" on a window that is not connected.
void OnInstallProfileN(ConsoleTarget& view);
void OnResetCustom(ConsoleTarget& view);
void OnInstallProfileD(ConsoleTarget& view);
void OnDefineAlias(ConsoleTarget& view);
void OnTimedWrite(ConsoleTarget& view);
void OnShowResult1(ConsoleTarget& view);
void OnShowResult2(ConsoleTarget& view);
void OnFirmwareReset(ConsoleTarget& view);
void OnDumpUart(ConsoleTarget& view);

// Shows each text in a message box of `ui`, from the
// user-interface thread, and returns once it has been dismissed; callable
// from any thread while that thread runs its event loop.
driverext::MessageSink messageBoxSink(UiServices& ui);

// What Receive 2K runs with: a 20-second limit unless a test shortens it.
driverext::Receive2KOptions& receive2KOptions();

void registerDriverCommands(ConsoleCommandTable& table);
