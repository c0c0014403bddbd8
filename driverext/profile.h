#pragma once

#include "extrarecord.h"

#include <array>
#include <cstdint>
#include <span>

namespace driverext {

// What one parameter profile writes into the extra record. Every byte that a
// profile does not name goes back to the driver as the driver returned it.
struct ByteField {
    uint16_t offset; // within the record
    uint8_t value;
};

struct WordField {
    uint16_t offset;
    uint16_t value; // little-endian in the record
};

// The sequence area starts at record byte 109, in slots of 8 bytes: a count,
// a zero byte, then up to six sequence bytes.
constexpr uint16_t SEQUENCE_AREA = 109;
constexpr uint16_t SLOT_SIZE = 8;
constexpr size_t SLOT_CAPACITY = 6;

struct SequenceSlot {
    uint8_t slot;
    uint8_t count;
    std::array<uint8_t, SLOT_CAPACITY> bytes; // only the first `count` are written
};

// The character table: 32 entries of 8 bytes from record byte 225; a profile
// writes bytes 0 to 2 of each (flag, character, second character).
constexpr uint16_t CHAR_TABLE = 225;
constexpr uint16_t CHAR_ENTRY_SIZE = 8;
constexpr size_t CHAR_ENTRIES = 32;

struct CharEntry {
    uint8_t flag;
    uint8_t character;
    uint8_t second;
};

struct Profile {
    char letter; // the protocol letter that goes with the profile
    std::span<const ByteField> bytes;
    std::span<const WordField> words;
    std::span<const SequenceSlot> sequenceSlots;
    std::span<const CharEntry> charTable; // empty: the table stays as returned
};

const Profile& profileN();
const Profile& profileD();

// Writes the profile's values into the record, leaving every other byte alone.
void applyProfile(const Profile& profile, ExtraRecord record);

} // namespace driverext
