#include "expectedrecord.h"

#include "driverext/extrarecord.h"
#include "driverext/profile.h"

#include <gtest/gtest.h>

#include <array>

using namespace driverext;

namespace {

void checkProfile(const Profile& profile, const RecordBytes& expected)
{
    for (bool inverted : { false, true }) {
        std::array<uint8_t, VLX_EXTRA_SIZE> record;
        for (size_t i = 0; i < record.size(); ++i)
            record[i] = patternByte(i, inverted);
        applyProfile(profile, record);
        for (size_t i = 0; i < record.size(); ++i) {
            const auto it = expected.find(i);
            const uint8_t want = it != expected.end() ? it->second : patternByte(i, inverted);
            EXPECT_EQ(int(record[i]), int(want)) << "record byte " << i << (inverted ? " (inverted)" : "");
        }
    }
}

TEST(Profiles, NWritesItsBytesAndLeavesTheRest)
{
    checkProfile(profileN(), expectedProfileN());
}

TEST(Profiles, DWritesItsBytesAndCharacterTableAndLeavesTheRest)
{
    checkProfile(profileD(), expectedProfileD());
}

TEST(ExtraRequest, CarriesOffsetZeroAndLength481LittleEndianOnly)
{
    std::array<uint8_t, EXTRA_BUFFER_SIZE> request;
    request.fill(0xEE);
    prepareExtraRequest(request);
    EXPECT_EQ(int(request[0]), 0x00);
    EXPECT_EQ(int(request[1]), 0x00);
    EXPECT_EQ(int(request[2]), 0xE1);
    EXPECT_EQ(int(request[3]), 0x01);
    for (size_t i = 4; i < request.size(); ++i)
        ASSERT_EQ(int(request[i]), 0xEE) << i;
}

} // namespace
