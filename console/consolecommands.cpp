#include "consolecommands.h"

#include "commandtable.h"
#include "connectcommands.h"
#include "keyboardinput.h"

// Each group of console commands lives in its own files and offers one
// registration function; add a call to it here. A command ID without a handler
// is refused by the view (its menu item is greyed), never faked.
void registerConsoleCommands(ConsoleCommandTable& table)
{
    (void)table;
    registerConnectCommands(table);
    registerKeyboardInput(table);
}
