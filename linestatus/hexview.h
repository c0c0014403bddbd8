#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace linestatus {

// The receive pane's hex view: rows of an offset, 16 bytes in hex and the
// same bytes as Latin-1 characters (invisible ones as '.'), in UTF-8.
// Chunks come one after another; a row that is not full yet is handed out
// again, longer, with the next chunk.
class HexView {
public:
    struct Update {
        std::string lines; // finished rows (and stamps), each ending in '\n'
        std::string partial; // the unfinished last row: shown in place of the previous update's partial
    };

    // A non-empty stamp ends the unfinished row, gets a line of its own and
    // the chunk starts a new row at its own offset.
    Update append(const uint8_t* data, size_t n, const std::string& stamp = {});
    uint64_t offset() const { return m_rowStart + m_row.size(); }
    // Bytes that were not shown: the unfinished row ends as it was last
    // handed out and the next row starts behind them.
    void skip(uint64_t n);

private:
    void finishRow(Update& u);

    uint64_t m_rowStart = 0; // offset of the row's first byte
    std::vector<uint8_t> m_row;
};

// One row: offset, up to 16 bytes; short rows are padded so that the
// Latin-1 column lines up.
std::string hexRow(uint64_t offset, const uint8_t* bytes, size_t n);

} // namespace linestatus
