#pragma once

#include <QByteArray>

#include <cstdint>

class CVesperlineView;
class ConsoleCommandTable;
class QKeyEvent;

// The bytes a key press types at the port, as Latin-1: Enter 0x0D, Backspace
// 0x08, Tab 0x09, Escape 0x1B and Ctrl+letter its control code, also where the
// platform gives these keys no text. Keys of the application's accelerator
// table (clipboard and undo) and Alt combinations type nothing; a character
// without a Latin-1 byte is left out rather than sent as some other byte.
QByteArray typedBytes(const QKeyEvent& event);

// Typing in the console pane: while the window is connected, one write of the
// one byte `ch`; an unconnected window only edits.
void OnChar(CVesperlineView& view, uint8_t ch);

void registerKeyboardInput(ConsoleCommandTable& table);
