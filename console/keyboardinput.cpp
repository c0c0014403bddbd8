#include "keyboardinput.h"

#include "commandtable.h"
#include "consoletarget.h"
#include "writepath.h"

void OnChar(ConsoleTarget& view, uint8_t ch)
{
    if (!view.m_portCtx.isConnected) return;
    WriteBytes(view, &ch, 1);
}

void registerKeyboardInput(ConsoleCommandTable& table)
{
    table.setCharHandler(OnChar);
}
