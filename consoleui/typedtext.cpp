#include "typedtext.h"

#include "res/menus.h"

#include <QKeyEvent>
#include <QKeySequence>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// Parsed once: every key press asks, and parsing the table costs more than
// writing the key's byte.
const std::vector<QKeySequence>& acceleratorKeys()
{
    static const std::vector<QKeySequence> keys = [] {
        std::vector<QKeySequence> parsed;
        for (const auto& accel : menus::accelerators())
            parsed.emplace_back(QString::fromLatin1(accel.keys));
        return parsed;
    }();
    return keys;
}

bool isAccelerator(const QKeyEvent& event)
{
    const QKeySequence pressed(event.keyCombination());
    return std::ranges::find(acceleratorKeys(), pressed) != acceleratorKeys().end();
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
