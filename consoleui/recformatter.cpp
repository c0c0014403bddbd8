#include "recformatter.h"

#include <utility>

using linestatus::StampMode;
using linestatus::WallClock;

RecFormatter::RecFormatter(int maxLineLength, Clock clock)
    : m_clock(std::move(clock))
    , m_decoder(maxLineLength)
{
}

RecFormatter::Output RecFormatter::format(std::string_view bytes)
{
    const WallClock::time_point at = m_clock();
    Output out = m_view == View::Hex ? formatHex(bytes, at) : Output { formatText(bytes, at), {} };
    out.text.prepend(std::exchange(m_lead, {}));
    return out;
}

QString RecFormatter::formatText(std::string_view bytes, WallClock::time_point at)
{
    QString text = m_decoder.decode(bytes);
    if (m_mode == StampMode::Off) return text;
    const QByteArray utf8 = text.toUtf8();
    return QString::fromStdString(m_textStamps.apply(std::string_view(utf8.constData(), utf8.size()), at));
}

RecFormatter::Output RecFormatter::formatHex(std::string_view bytes, WallClock::time_point at)
{
    const auto update
        = m_hex.append(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), m_chunkStamps.forChunk(at));
    m_partial = QString::fromStdString(update.partial);
    return { QString::fromStdString(update.lines), m_partial };
}

void RecFormatter::skip(uint64_t n)
{
    // The pane's notice of the gap follows what is shown, unfinished row
    // included, and ends in a line break.
    m_hex.skip(n);
    m_partial.clear();
    m_decoder.reset();
    m_textStamps = linestatus::TextStamps(m_mode);
}

void RecFormatter::restart()
{
    m_partial.clear();
    m_lead.clear();
    m_decoder.reset();
    m_textStamps = linestatus::TextStamps(m_mode);
}

// The line left open by a change is ended by the next output, which takes
// the place of the unfinished hex row and so has to repeat it.
void RecFormatter::endLine()
{
    if (!m_partial.isEmpty())
        m_lead += std::exchange(m_partial, {}) + QChar('\n');
    else if (m_decoder.column() > 0)
        m_lead += QChar('\n');
    m_decoder.reset();
}

void RecFormatter::setView(View view)
{
    if (view == m_view) return;
    endLine();
    m_view = view;
    m_hex = linestatus::HexView(); // offsets count from the switch
    setStampMode(m_mode);
}

void RecFormatter::setStampMode(StampMode mode)
{
    if (m_view == View::Text) endLine();
    m_mode = mode;
    m_textStamps = linestatus::TextStamps(mode);
    m_chunkStamps = linestatus::ChunkStamps(mode);
}
