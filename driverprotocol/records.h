#pragma once

#include "codes.h"

#include <cstdint>
#include <optional>
#include <span>

// Encoding and decoding of what travels in the driver's buffers. The driver
// commands encode requests and decode replies; the stand-in driver decodes
// requests and encodes replies, with the same functions.
namespace driverprotocol {

using ExtraBuffer = std::span<uint8_t, EXTRA_BUFFER_SIZE>;
using ConstExtraBuffer = std::span<const uint8_t, EXTRA_BUFFER_SIZE>;
using ExtraRecord = std::span<uint8_t, VLX_EXTRA_SIZE>;
using ConstExtraRecord = std::span<const uint8_t, VLX_EXTRA_SIZE>;

// 16-bit fields travel little-endian whatever the host's order, so they are
// written and read byte by byte.
void putLe16(uint8_t* at, uint16_t value);
uint16_t getLe16(const uint8_t* at);

// The two words in front of the record.
struct ExtraHeader {
    uint16_t first; // in a request the record's offset in the driver's block; in a reply the layout version
    uint16_t length;
};

ExtraHeader extraHeaderOf(ConstExtraBuffer buffer);

// Fills in the two words a GET_EXTRA request carries (offset 0, length 481);
// the rest is left as it is.
void encodeExtraRequest(ExtraBuffer request);

// A GET_EXTRA reply: layout version, length, the record, a zero spare byte.
void encodeExtraReply(ExtraBuffer reply, ConstExtraRecord record);

// The 481-byte record inside an extra buffer.
ExtraRecord recordOf(ExtraBuffer buffer);
ConstExtraRecord recordOf(ConstExtraBuffer buffer);

// How the protocol letter travels: as one byte (Receive 2K), or as the letter
// followed by a zero byte (the diagnostic commands).
enum class LetterForm : uint8_t {
    OneByte,
    WithZero,
};

// Writes the letter into `out` and returns how many of its bytes go.
size_t encodeProtocolLetter(char letter, LetterForm form, std::span<uint8_t, PROTOCOL_INPUT_SIZE> out);

// The letter in a SET_PROTOCOL input of 1 or 2 bytes; nothing when the second
// byte is not zero.
std::optional<uint8_t> decodeProtocolLetter(const uint8_t* in, size_t inLen);

} // namespace driverprotocol
