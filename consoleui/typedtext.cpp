#include "typedtext.h"

#include "res/menus.h"

#include <QKeyEvent>
#include <QKeySequence>

#include <optional>

namespace {

bool isAccelerator(const QKeyEvent& event)
{
    const QKeySequence pressed(event.keyCombination());
    for (const auto& accel : menus::accelerators())
        if (QKeySequence(QString::fromLatin1(accel.keys)) == pressed) return true;
    return false;
}

// Keys whose byte does not depend on what text the platform attaches.
std::optional<char> keyCodeByte(const QKeyEvent& event)
{
    const int key = event.key();
    const bool ctrl = event.modifiers() & Qt::ControlModifier;
    if (ctrl && key >= Qt::Key_A && key <= Qt::Key_Z) return char(key - Qt::Key_A + 1);
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return '\r';
    case Qt::Key_Backspace:
        return '\b';
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return '\t';
    case Qt::Key_Escape:
        return '\x1b';
    default:
        return std::nullopt;
    }
}

} // namespace

TypedText latin1Text(const QString& text)
{
    TypedText typed;
    for (char32_t c : text.toUcs4()) {
        if (c <= 0xFF)
            typed.bytes.append(char(c));
        else
            typed.leftOut = true;
    }
    return typed;
}

TypedText typedText(const QKeyEvent& event)
{
    if (isAccelerator(event)) return {};
    // Alt combinations belong to the menus; Delete edits the pane only.
    if (event.modifiers() & (Qt::AltModifier | Qt::MetaModifier)) return {};
    if (event.key() == Qt::Key_Delete) return {};
    if (auto byte = keyCodeByte(event)) return { QByteArray(1, *byte) };
    return latin1Text(event.text());
}

QByteArray typedBytes(const QKeyEvent& event)
{
    return typedText(event).bytes;
}
