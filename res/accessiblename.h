#pragma once

#include <QString>

class QWidget;

// Screen readers and automation find controls by their accessible names. A
// control named after its visible label: the label's text without the
// trailing colon and blanks ("Baud Rate:" names "Baud Rate", "RTS/CTS " names
// "RTS/CTS"). Returns the widget.
QWidget* nameAfterLabel(QWidget* widget, const QString& label);
