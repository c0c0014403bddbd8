#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// One drop-down list of the port settings dialog: a table of line-setting
// codes ending in a sentinel, and the texts shown for them, index for index.
// The list index is the table index.
struct LineChoices {
    std::span<const uint32_t> values; // the last entry is the sentinel
    std::span<const char* const> texts; // one per value before the sentinel
    uint32_t sentinel;
    int preselected;

    // Entries before the sentinel.
    size_t count() const;
    // The code stored for a list index (its low byte); nothing for an index
    // outside the table, such as "no selection".
    std::optional<uint8_t> valueAt(int index) const;
};

const LineChoices& dataBitsChoices();
const LineChoices& stopBitsChoices();
const LineChoices& parityChoices();
