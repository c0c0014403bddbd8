#pragma once

#include <QFont>
#include <QWidget>

// The panes show bytes as typed and received, as Latin-1 text: their font
// applies no shaping (kerning, ligatures), which would join or move
// characters a tester reads one by one, and which put each line the pane
// shows through the text shaper, most of the cost of laying it out.
inline void useUnshapedFont(QWidget& pane)
{
    QFont font = pane.font();
    font.setStyleStrategy(QFont::PreferNoShaping);
    pane.setFont(font);
}
