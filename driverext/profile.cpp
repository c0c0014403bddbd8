#include "profile.h"

namespace driverext {

namespace {

// Record bytes 101, 102 and 105 to 107 are positions: distances from byte
// 109 to one byte of the sequence area.
constexpr ByteField bytesN[] = {
    { 34, 0x10 },
    { 35, 0x20 },
    { 36, 0x17 },
    { 37, 2 },
    { 50, 0x12 },
    { 58, 3 },
    { 59, 0x21 },
    { 60, 0x31 },
    { 101, 3 },
    { 102, 42 },
    { 105, 11 },
    { 106, 43 },
    { 107, 12 },
};
constexpr WordField wordsN[] = { { 38, 2 }, { 40, 250 }, { 42, 60 }, { 44, 450 } };
constexpr SequenceSlot slotsN[] = {
    { 0, 3, { 0x04, 0x00, 0x05 } },
    { 1, 4, { 0x04, 0x00, 0x00, 0x05 } },
    { 2, 1, { 0x04 } },
    { 3, 1, { 0x02 } },
    { 4, 1, { 0x04 } },
    { 5, 3, { 0x00, 0x00, 0x06 } },
    { 6, 1, { 0x15 } },
    { 7, 1, { 0x03 } },
    { 9, 1, { 0x06 } },
    { 10, 1, { 0x15 } },
    { 11, 1, { 0x05 } },
};

constexpr ByteField bytesD[] = {
    { 34, 0x90 },
    { 35, 0x01 },
    { 36, 0x41 },
    { 37, 2 },
    { 50, 0x12 },
    { 58, 3 },
    { 101, 5 },
    { 102, 45 },
    { 105, 11 },
    { 106, 43 },
    { 107, 12 },
};
constexpr WordField wordsD[] = { { 38, 2 }, { 40, 8 }, { 42, 4 }, { 44, 2 } };
constexpr SequenceSlot slotsD[] = {
    { 0, 4, { 0x04, 'P', '1', 0x00 } },
    { 1, 4, { 0x04, 'S', '1', 0x00 } },
    { 2, 1, { 0x04 } },
    { 3, 1, { 0x02 } },
    { 4, 1, { 0x04 } },
    { 5, 1, { 0x06 } },
    { 6, 1, { 0x15 } },
    { 7, 1, { 0x03 } },
    { 9, 1, { 0x06 } },
    { 10, 1, { 0x15 } },
    { 11, 1, { 0x05 } },
};
// 'A' to '_' and a space; 'A' and 'B' flagged; 'M' pairs with ','.
constexpr CharEntry charTableD[CHAR_ENTRIES] = {
    { 1, 'A', 'A' },
    { 1, 'B', 'B' },
    { 0, 'C', 'C' },
    { 0, 'D', 'D' },
    { 0, 'E', 'E' },
    { 0, 'F', 'F' },
    { 0, 'G', 'G' },
    { 0, 'H', 'H' },
    { 0, 'I', 'I' },
    { 0, 'J', 'J' },
    { 0, 'K', 'K' },
    { 0, 'L', 'L' },
    { 0, 'M', ',' },
    { 0, 'N', 'N' },
    { 0, 'O', 'O' },
    { 0, 'P', 'P' },
    { 0, 'Q', 'Q' },
    { 0, 'R', 'R' },
    { 0, 'S', 'S' },
    { 0, 'T', 'T' },
    { 0, 'U', 'U' },
    { 0, 'V', 'V' },
    { 0, 'W', 'W' },
    { 0, 'X', 'X' },
    { 0, 'Y', 'Y' },
    { 0, 'Z', 'Z' },
    { 0, '[', '[' },
    { 0, '\\', '\\' },
    { 0, ']', ']' },
    { 0, '^', '^' },
    { 0, '_', '_' },
    { 0, ' ', ' ' },
};

constexpr Profile N { 'N', bytesN, wordsN, slotsN, {} };
constexpr Profile D { 'D', bytesD, wordsD, slotsD, charTableD };

void writeSlot(const SequenceSlot& slot, ExtraRecord record)
{
    uint8_t* at = record.data() + SEQUENCE_AREA + SLOT_SIZE * slot.slot;
    at[0] = slot.count;
    at[1] = 0;
    for (size_t i = 0; i < slot.count && i < SLOT_CAPACITY; ++i)
        at[2 + i] = slot.bytes[i];
}

void writeCharTable(std::span<const CharEntry> table, ExtraRecord record)
{
    for (size_t i = 0; i < table.size() && i < CHAR_ENTRIES; ++i) {
        uint8_t* at = record.data() + CHAR_TABLE + CHAR_ENTRY_SIZE * i;
        at[0] = table[i].flag;
        at[1] = table[i].character;
        at[2] = table[i].second;
    }
}

} // namespace

const Profile& profileN()
{
    return N;
}
const Profile& profileD()
{
    return D;
}

void applyProfile(const Profile& profile, ExtraRecord record)
{
    for (const ByteField& field : profile.bytes)
        record[field.offset] = field.value;
    for (const WordField& field : profile.words)
        putLe16(record.data() + field.offset, field.value);
    for (const SequenceSlot& slot : profile.sequenceSlots)
        writeSlot(slot, record);
    writeCharTable(profile.charTable, record);
}

} // namespace driverext
