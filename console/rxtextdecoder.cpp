#include "rxtextdecoder.h"

namespace {

// How a byte that is not a line break appears.
QString visible(unsigned char byte)
{
    if (byte < 0x20) return QChar(char16_t(0x2400 + byte)); // the control pictures block
    if (byte == 0x7F) return QChar(char16_t(0x2421));
    if (byte >= 0x80 && byte < 0xA0) // C1 controls have no picture
        return QStringLiteral("<%1>").arg(byte, 2, 16, QChar('0')).toUpper();
    return QChar(char16_t(byte));
}

} // namespace

RxTextDecoder::RxTextDecoder(int maxLineLength)
    : m_maxLineLength(maxLineLength > 0 ? maxLineLength : 1)
{
}

QString RxTextDecoder::decode(std::string_view bytes)
{
    QString out;
    out.reserve(qsizetype(bytes.size()));
    for (char c : bytes)
        put(out, static_cast<unsigned char>(c));
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
    } else if ((byte >= 0x20 && byte < 0x7F) || byte >= 0xA0) {
        if (m_column >= m_maxLineLength) lineBreak(out);
        out += QChar(char16_t(byte));
        ++m_column;
    } else {
        putChars(out, visible(byte));
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
