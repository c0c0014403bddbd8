// Entries of the load run's parameter fields.
#include "torture/unsignedentry.h"

#include <gtest/gtest.h>

namespace {

using torture::parseUnsignedEntry;

TEST(UnsignedEntry, AcceptsDigitsWithBlanksAndTabsAround)
{
    EXPECT_EQ(parseUnsignedEntry("5"), 5u);
    EXPECT_EQ(parseUnsignedEntry(" 5 "), 5u);
    EXPECT_EQ(parseUnsignedEntry("\t5\t"), 5u);
    EXPECT_EQ(parseUnsignedEntry(" \t 007\t "), 7u);
    EXPECT_EQ(parseUnsignedEntry("0"), 0u);
    EXPECT_EQ(parseUnsignedEntry("4294967295"), 4294967295u);
}

TEST(UnsignedEntry, RefusesSignsOtherCharactersAndEmptyEntries)
{
    for (const char* bad : { "-5", "+5", "5a", "a5", "5 5", "", " ", "\t", "0x10", "5.0", "\n5", "5\r", "\xd9\xa5" })
        EXPECT_FALSE(parseUnsignedEntry(bad)) << '"' << bad << '"';
}

TEST(UnsignedEntry, RefusesValuesAbove32BitsWithoutWrapping)
{
    EXPECT_FALSE(parseUnsignedEntry("4294967296"));
    EXPECT_FALSE(parseUnsignedEntry("18446744073709551621")); // 2^64 + 5 would wrap to 5
    EXPECT_FALSE(parseUnsignedEntry(std::string(200, '9')));
    EXPECT_EQ(parseUnsignedEntry("000000000000000000004294967295"), 4294967295u);
}

TEST(UnsignedEntry, StopsAtAnEmbeddedNul)
{
    EXPECT_FALSE(parseUnsignedEntry(std::string_view("5\0", 2)));
}

} // namespace
