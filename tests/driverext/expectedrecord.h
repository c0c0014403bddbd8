#pragma once

#include <cstddef>
#include <cstdint>
#include <map>

// What each profile must leave in the 481-byte record, byte by byte, written
// out by hand from the profile tables (16-bit values already split low byte
// first) so that a slip in the production tables cannot hide here too.
// Offsets are within the record; bytes not listed keep the driver's values.
using RecordBytes = std::map<size_t, uint8_t>;

RecordBytes expectedProfileN();
RecordBytes expectedProfileD();

// A byte pattern with no long runs, and its complement: a byte that a profile
// must leave alone is checked against both, so a coincidental match cannot
// hide a stray write.
uint8_t patternByte(size_t i, bool inverted);
