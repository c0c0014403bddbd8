#include "linestatuslook.h"

using linestatus::Level;

namespace {

struct LevelWords {
    const char* state;
    const char* style;
    const char* lastKnownStyle; // the colour as an outline: not confirmed
};

// In the order of Level: unavailable, low, high.
constexpr LevelWords Words[] = {
    { "n/a", "background-color:transparent;color:gray;", "background-color:transparent;color:gray;" },
    { "off", "background-color:#3b3b3b;color:#e0e0e0;",
        "background-color:transparent;color:#6b6b6b;border:1px dashed #3b3b3b;" },
    { "on", "background-color:#2f9e44;color:white;",
        "background-color:transparent;color:#2f9e44;border:1px dashed #2f9e44;" },
};

} // namespace

LevelLook levelLook(const QString& line, Level level, bool lastKnown)
{
    const LevelWords& words = Words[size_t(level)];
    const QString state = line + QLatin1Char(' ') + QLatin1String(words.state);
    const QString text = level == Level::Unavailable ? state : line;
    // n/a is what the port says now, never a last known level.
    lastKnown = lastKnown && level != Level::Unavailable;
    const QString described = lastKnown ? state + QStringLiteral(" (last known)") : state;
    const QString style = QLatin1String(lastKnown ? words.lastKnownStyle : words.style);
    return { text, described, style + QLatin1String("padding:1px 6px;border-radius:3px;") };
}

QString rateText(double bytesPerSecond)
{
    if (bytesPerSecond < 1000) return QStringLiteral("%1 B/s").arg(qRound64(bytesPerSecond));
    return QStringLiteral("%1 kB/s").arg(bytesPerSecond / 1000, 0, 'f', 1);
}

QString countText(const char* direction, uint64_t bytes, double bytesPerSecond)
{
    return QStringLiteral("%1 %2 (%3)").arg(QLatin1String(direction)).arg(bytes).arg(rateText(bytesPerSecond));
}

QString errorText(const std::optional<linestatus::ErrorCounts>& errors)
{
    if (!errors) return QStringLiteral("Errors: n/a");
    return QStringLiteral("Errors: framing %1, parity %2, overrun %3, break %4, buffer overrun %5")
        .arg(errors->framing)
        .arg(errors->parity)
        .arg(errors->overrun)
        .arg(errors->brk)
        .arg(errors->bufferOverrun);
}
