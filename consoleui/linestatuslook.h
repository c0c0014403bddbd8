#pragma once

#include "linestatus/linestate.h"

#include <QString>

// How the strip shows one modem line: its text, the state a screen reader
// hears ("CTS on", "CTS off", "CTS n/a") and its colours. A line the port
// cannot report reads "n/a" and is greyed, never shown as low. A level the
// last look could not confirm is the last known one: outlined instead of
// filled, and said so ("CTS on (last known)").
struct LevelLook {
    QString text;
    QString description;
    QString style;
};

LevelLook levelLook(const QString& line, linestatus::Level level, bool lastKnown = false);

// "850 B/s", "92.2 kB/s".
QString rateText(double bytesPerSecond);
// "RX 1234 (850 B/s)".
QString countText(const char* direction, uint64_t bytes, double bytesPerSecond);
// "Errors: framing 0, parity 2, overrun 0, break 0, buffer overrun 0";
// "Errors: n/a" for a port that keeps no counts.
QString errorText(const std::optional<linestatus::ErrorCounts>& errors);
