#include "rxtextdecoder.h"

#include <algorithm>
#include <array>

namespace {

// How a byte that is not a line break appears.
QString makeVisible(unsigned char byte)
{
    if (byte < 0x20) return QChar(char16_t(0x2400 + byte)); // the control pictures block
    if (byte == 0x7F) return QChar(char16_t(0x2421));
    if (byte >= 0x80 && byte < 0xA0) // C1 controls have no picture
        return QStringLiteral("<%1>").arg(byte, 2, 16, QChar('0')).toUpper();
    return QChar(char16_t(byte));
}

// Made once: noisy input is mostly controls, and making the text of each
// one anew cost more than all the rest of the decoding.
const QString& visible(unsigned char byte)
{
    static const auto table = [] {
        std::array<QString, 256> t;
        for (int b = 0; b < 256; ++b)
            t[size_t(b)] = makeVisible(static_cast<unsigned char>(b));
        return t;
    }();
    return table[byte];
}

bool printable(unsigned char byte)
{
    return (byte >= 0x20 && byte < 0x7F) || byte >= 0xA0;
}

// The length of the run of printable bytes at the start of `bytes`.
size_t printableRun(std::string_view bytes)
{
    size_t n = 0;
    while (n < bytes.size() && printable(static_cast<unsigned char>(bytes[n])))
        ++n;
    return n;
}

} // namespace

RxTextDecoder::RxTextDecoder(int maxLineLength)
    : m_maxLineLength(maxLineLength > 0 ? maxLineLength : 1)
{
}

QString RxTextDecoder::decode(std::string_view bytes)
{
    // The text is made in the block the previous text was made in, once the
    // caller has let that go: a fast line's frames then write to memory
    // already mapped instead of faulting in a new block each time. A block
    // far larger than this text was a burst's, and goes.
    QString& out = m_text;
    if (out.capacity() > 8 * qsizetype(bytes.size()) + 65536)
        out = QString();
    else
        out.resize(0);
    out.reserve(qsizetype(bytes.size()));
    while (!bytes.empty()) {
        // Runs of plain characters go in whole: a fast line is mostly these.
        const size_t run = printableRun(bytes);
        if (run > 0)
            putPrintable(out, bytes.substr(0, run));
        else
            put(out, static_cast<unsigned char>(bytes[0]));
        bytes.remove_prefix(run > 0 ? run : 1);
    }
    return out;
}

void RxTextDecoder::reset()
{
    m_column = 0;
    m_afterCr = false;
}

void RxTextDecoder::put(QString& out, unsigned char byte)
{
    const bool lfAfterCr = byte == '\n' && m_afterCr;
    m_afterCr = byte == '\r';
    if (lfAfterCr) return;
    if (byte == '\r' || byte == '\n') {
        lineBreak(out);
    } else {
        putChars(out, visible(byte));
    }
}

void RxTextDecoder::putPrintable(QString& out, std::string_view run)
{
    m_afterCr = false;
    while (!run.empty()) {
        if (m_column >= m_maxLineLength) lineBreak(out);
        const size_t n = std::min(run.size(), size_t(m_maxLineLength - m_column));
        out.append(QLatin1StringView(run.data(), qsizetype(n)));
        m_column += int(n);
        run.remove_prefix(n);
    }
}

void RxTextDecoder::putChars(QString& out, const QString& chars)
{
    if (m_column + chars.size() > m_maxLineLength) lineBreak(out);
    out += chars;
    m_column += int(chars.size());
}

void RxTextDecoder::lineBreak(QString& out)
{
    out += QChar('\n');
    m_column = 0;
}
