#include "consolecommands.h"

#include "capturecommands.h"
#include "commandtable.h"
#include "drivercommands.h"
#include "modemcommands.h"
#include "sendcommands.h"
#include "sendfilecommand.h"
#include "torturecommands.h"
#include "connectcommands.h"
#include "keyboardinput.h"

// Each group of console commands lives in its own files and offers one
// registration function; add a call to it here. A command ID without a handler
// is refused by the view (its menu item is greyed), never faked.
void registerConsoleCommands(ConsoleCommandTable& table)
{
    (void)table;
    registerSendCommands(table);
    registerModemCommands(table);
    registerCaptureCommands(table);
    registerSendFileCommand(table);
    registerDriverCommands(table);
    registerConnectCommands(table);
    registerKeyboardInput(table);
    registerTortureCommands(table);
}
