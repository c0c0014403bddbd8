#include "driverprotocol/records.h"

#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <optional>
#include <vector>

using namespace driverprotocol;

namespace {

struct LetterCase {
    char letter;
    LetterForm form;
    std::vector<uint8_t> wire;
};

} // namespace

// What the driver commands put into SET_PROTOCOL is what the stand-in driver reads back out.
TEST(DriverProtocol, ProtocolLetterTravelsInEitherForm)
{
    for (const LetterCase& c :
        { LetterCase { 'N', LetterForm::OneByte, { 'N' } }, LetterCase { 'D', LetterForm::WithZero, { 'D', 0 } } }) {
        std::array<uint8_t, PROTOCOL_INPUT_SIZE> buffer;
        buffer.fill(0xEE);
        const size_t length = encodeProtocolLetter(c.letter, c.form, buffer);
        EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + length), c.wire) << c.letter;
        EXPECT_EQ(decodeProtocolLetter(buffer.data(), length), std::optional<uint8_t>(uint8_t(c.letter)));
    }
    const uint8_t notTerminated[2] = { 'N', 'x' };
    EXPECT_EQ(decodeProtocolLetter(notTerminated, 2), std::nullopt);
}

// A GET_EXTRA request and reply: the header words on the wire, and the record
// the driver side finds where the stand-in driver put it.
TEST(DriverProtocol, ExtraBuffersCarryHeaderAndRecord)
{
    std::array<uint8_t, VLX_EXTRA_SIZE> record;
    std::iota(record.begin(), record.end(), uint8_t(7));
    std::array<uint8_t, EXTRA_BUFFER_SIZE> request;
    request.fill(0xEE);
    encodeExtraRequest(request);
    std::array<uint8_t, EXTRA_BUFFER_SIZE> reply;
    reply.fill(0xEE);
    encodeExtraReply(reply, record);

    struct Case {
        const std::array<uint8_t, EXTRA_BUFFER_SIZE>& buffer;
        std::array<uint8_t, 4> wire;
        uint16_t first;
    };
    for (const Case& c :
        { Case { request, { 0, 0, 0xE1, 0x01 }, 0 }, Case { reply, { 0x30, 0x03, 0xE1, 0x01 }, 0x0330 } }) {
        EXPECT_TRUE(std::equal(c.wire.begin(), c.wire.end(), c.buffer.begin()));
        const ExtraHeader header = extraHeaderOf(c.buffer);
        EXPECT_EQ(header.first, c.first);
        EXPECT_EQ(header.length, VLX_EXTRA_SIZE);
    }
    const ConstExtraRecord found = recordOf(ConstExtraBuffer(reply));
    EXPECT_TRUE(std::equal(found.begin(), found.end(), record.begin(), record.end()));
    EXPECT_EQ(reply.back(), 0);
}
