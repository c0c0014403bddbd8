#pragma once

#include <QByteArray>
#include <QString>

class QKeyEvent;

// The bytes a key press types at the port, as Latin-1: Enter 0x0D, Backspace
// 0x08, Tab 0x09, Escape 0x1B and Ctrl+letter its control code, also where the
// platform gives these keys no text. Keys of the application's accelerator
// table (clipboard and undo) and Alt combinations type nothing; a character
// without a Latin-1 byte is left out rather than sent as some other byte.
QByteArray typedBytes(const QKeyEvent& event);

// What a piece of typed text sends: the Latin-1 byte of each character, and
// whether some character had none (and was left out).
struct TypedText {
    QByteArray bytes;
    bool leftOut = false;
};
TypedText typedText(const QKeyEvent& event);
// Text that arrives whole: committed by an input method or composed from a dead key.
TypedText latin1Text(const QString& text);
