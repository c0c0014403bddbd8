#pragma once

#include <cstdint>

class ConsoleTarget;
class ConsoleCommandTable;

// Typing in the console pane: while the window is connected, one write of the
// one byte `ch`; an unconnected window only edits.
void OnChar(ConsoleTarget& view, uint8_t ch);

void registerKeyboardInput(ConsoleCommandTable& table);
