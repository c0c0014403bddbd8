#include "recformatter.h"

#include <algorithm>
#include <utility>

using linestatus::StampMode;
using linestatus::WallClock;

namespace {
constexpr uint64_t RowBytes = 16;
}

RecFormatter::RecFormatter(int maxLineLength, int maxLines)
    : m_maxLines(maxLines)
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
    const std::string stamp = m_chunkStamps.forChunk(at);
    bytes = visibleTail(bytes);
    const auto update = m_hex.append(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), stamp);
    m_partial = QString::fromStdString(update.partial);
    return { QString::fromStdString(update.lines), m_partial };
}

// Rows that would scroll out of the pane before anyone could see them are
// not made; the offsets go on behind them.
std::string_view RecFormatter::visibleTail(std::string_view bytes)
{
    const uint64_t shown = uint64_t(m_maxLines) * RowBytes;
    if (bytes.size() <= shown + RowBytes) return bytes;
    const uint64_t start = (m_hex.offset() + bytes.size() - shown) / RowBytes * RowBytes;
    const size_t hidden = size_t(start - m_hex.offset());
    m_hex.skip(hidden);
    return bytes.substr(hidden);
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

bool RecFormatter::fillsPane(std::string_view bytes) const
{
    if (m_view == View::Hex) return bytes.size() / RowBytes > uint64_t(m_maxLines) + 1;
    // Line feeds only: a lone CR or an overlong line makes a line as well,
    // so there are at least as many lines as counted.
    return std::count(bytes.begin(), bytes.end(), '\n') > m_maxLines;
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
