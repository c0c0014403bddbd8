#include "hexview.h"

#include <cstdio>

namespace linestatus {

namespace {

constexpr size_t RowBytes = 16;

// Control characters, DEL, C1 controls, no-break space and soft hyphen show
// nothing a reader could see: they are shown as '.'.
void appendLatin1(std::string& out, uint8_t b)
{
    if ((b >= 0x20 && b < 0x7f)) {
        out += char(b);
    } else if (b > 0xa0 && b != 0xad) {
        out += char(0xc0 | (b >> 6));
        out += char(0x80 | (b & 0x3f));
    } else {
        out += '.';
    }
}

void appendHex(std::string& out, uint8_t b)
{
    static const char digits[] = "0123456789ABCDEF";
    out += digits[b >> 4];
    out += digits[b & 0xf];
    out += ' ';
}

} // namespace

std::string hexRow(uint64_t offset, const uint8_t* bytes, size_t n)
{
    char head[24];
    std::snprintf(head, sizeof head, "%08llX  ", static_cast<unsigned long long>(offset));
    std::string row = head;
    for (size_t i = 0; i < RowBytes; ++i) {
        if (i == RowBytes / 2) row += ' ';
        if (i < n)
            appendHex(row, bytes[i]);
        else
            row += "   ";
    }
    row += ' ';
    for (size_t i = 0; i < n; ++i)
        appendLatin1(row, bytes[i]);
    return row;
}

void HexView::finishRow(Update& u)
{
    if (!m_row.empty()) u.lines += hexRow(m_rowStart, m_row.data(), m_row.size()) + "\n";
    m_rowStart += m_row.size();
    m_row.clear();
}

void HexView::skip(uint64_t n)
{
    m_rowStart += m_row.size() + n;
    m_row.clear();
}

HexView::Update HexView::append(const uint8_t* data, size_t n, const std::string& stamp)
{
    Update u;
    if (!stamp.empty()) {
        finishRow(u);
        u.lines += stamp + "\n";
    }
    for (size_t i = 0; i < n; ++i) {
        m_row.push_back(data[i]);
        if (m_row.size() == RowBytes) finishRow(u);
    }
    if (!m_row.empty()) u.partial = hexRow(m_rowStart, m_row.data(), m_row.size());
    return u;
}

} // namespace linestatus
