#include "consolecommands.h"

#include "capturecommands.h"
#include "commandtable.h"
#include "connectcommands.h"
#include "drivercommands.h"
#include "keyboardinput.h"
#include "modemcommands.h"
#include "sendcommands.h"
#include "sendfilecommand.h"
#include "torturecommands.h"

// Each group of console commands lives in its own files and offers one
// registration function; add a call to it here. A command ID without a handler
// is refused by the view (its menu item is greyed), never faked.
void registerConsoleCommands(ConsoleCommandTable& table)
{
    registerConnectCommands(table);
    registerKeyboardInput(table);
    registerSendCommands(table);
    registerModemCommands(table);
    registerCaptureCommands(table);
    registerSendFileCommand(table);
    registerDriverCommands(table);
    registerTortureCommands(table);
}
