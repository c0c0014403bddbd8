#pragma once

#include "console/rxtextdecoder.h"
#include "linestatus/hexview.h"
#include "linestatus/timestamps.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>

// How the receive pane shows received bytes: as text, or as hex rows (offset,
// 16 bytes, Latin-1), each optionally with time stamps. Display only: the
// capture file gets the bytes as they came. A change of view or of stamps
// applies to the bytes that arrive from then on, and what they show starts on
// a line of its own.
class RecFormatter {
public:
    enum class View { Text, Hex };
    using Clock = std::function<linestatus::WallClock::time_point()>;

    // `text` goes in place of the previous output's `partial`, the hex view's
    // unfinished last row (empty in the text view), and `partial` behind it.
    struct Output {
        QString text;
        QString partial;
    };

    // Text lines longer than `maxLineLength` continue on the next line; the
    // hex view makes no more than `maxLines` rows of one batch.
    RecFormatter(int maxLineLength, int maxLines);

    // The stamps carry the time the bytes reach the pane, within one
    // event-loop turn of their arrival.
    Output format(std::string_view bytes);
    // `n` bytes were dropped from the display; the hex offsets count them.
    void skip(uint64_t n);
    // Whether `bytes` alone make more lines than the pane holds: whatever
    // came before them would scroll out before it could be seen.
    bool fillsPane(std::string_view bytes) const;
    // The pane's text was replaced: nothing of ours is shown any more.
    void restart();
    // Frees the memory kept for the next output (for a quiet moment).
    void dropSpare() { m_decoder.dropSpare(); }

    void setView(View view);
    View view() const { return m_view; }
    void setStampMode(linestatus::StampMode mode);
    linestatus::StampMode stampMode() const { return m_mode; }
    // Test control: where the stamps take the time from.
    void setClock(Clock clock) { m_clock = std::move(clock); }

private:
    QString formatText(std::string_view bytes, linestatus::WallClock::time_point at);
    Output formatHex(std::string_view bytes, linestatus::WallClock::time_point at);
    std::string_view visibleTail(std::string_view bytes);
    void endLine();

    Clock m_clock = &linestatus::WallClock::now;
    int m_maxLines;
    View m_view = View::Text;
    linestatus::StampMode m_mode = linestatus::StampMode::Off;
    RxTextDecoder m_decoder;
    linestatus::TextStamps m_textStamps { linestatus::StampMode::Off };
    linestatus::ChunkStamps m_chunkStamps { linestatus::StampMode::Off };
    linestatus::HexView m_hex;
    QString m_partial; // the unfinished hex row as last handed out
    QString m_lead; // what the next output starts with: the end of the line a change left open
};
