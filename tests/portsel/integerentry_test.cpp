#include "portsel/integerentry.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

struct Entry {
    std::string text;
    std::optional<int32_t> value;
};

class IntegerEntry : public testing::TestWithParam<Entry> { };

TEST_P(IntegerEntry, AcceptsOnlyWholeNumbersWithOptionalBlanksAndSign)
{
    const Entry& e = GetParam();
    EXPECT_EQ(parseIntegerEntry(e.text), e.value) << '"' << e.text << '"';
}

INSTANTIATE_TEST_SUITE_P(Texts, IntegerEntry,
    testing::Values(Entry { " 115200 ", 115200 }, Entry { "0", 0 }, Entry { "-1", -1 }, Entry { "+5", 5 },
        Entry { "\t42\t", 42 }, Entry { " \t 7 \t ", 7 }, Entry { "00", 0 }, Entry { "0009600", 9600 },
        Entry { "2147483647", 2147483647 }, Entry { "-2147483648", INT32_MIN },
        Entry { "-00000000000000000000012", -12 }, Entry { "fast", std::nullopt }, Entry { "-0", std::nullopt },
        Entry { "+0", std::nullopt }, Entry { " -000", std::nullopt }, Entry { "12ab", std::nullopt },
        Entry { "99999999999", std::nullopt }, Entry { "2147483648", std::nullopt },
        Entry { "-2147483649", std::nullopt }, Entry { "18446744073709551617", std::nullopt },
        Entry { "", std::nullopt }, Entry { " \t ", std::nullopt }, Entry { "-", std::nullopt },
        Entry { "+-1", std::nullopt }, Entry { "--1", std::nullopt }, Entry { "1 2", std::nullopt },
        Entry { "1\n", std::nullopt }, Entry { "0x10", std::nullopt }, Entry { "1e3", std::nullopt },
        Entry { "- 1", std::nullopt }, Entry { std::string("12\0", 3), std::nullopt }));

// Digits far past the 32-bit range must be refused, never wrapped into range.
TEST(IntegerEntryRange, LongDigitRunsNeverWrapIntoRange)
{
    EXPECT_EQ(parseIntegerEntry("4294967296"), std::nullopt); // 2^32 would wrap to 0
    EXPECT_EQ(parseIntegerEntry("4294977896"), std::nullopt); // 2^32 + 10600 would wrap to 10600
    EXPECT_EQ(parseIntegerEntry(std::string(10000, '9')), std::nullopt);
    EXPECT_EQ(parseIntegerEntry(std::string(10000, '0') + "1"), 1);
}

} // namespace
