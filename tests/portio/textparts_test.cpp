#include "portio/blanks.h"
#include "portio/nametarget.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace portio;

TEST(NameTarget, SplitsAtTheFirstEqualsSignAndRefusesAnEmptySide)
{
    struct Case {
        const char* text;
        std::optional<std::pair<std::string, std::string>> parts;
    };
    for (const Case& c : std::initializer_list<Case> { { "COM3=/dev/ttyUSB0", { { "COM3", "/dev/ttyUSB0" } } },
             { "COM20=rfc2217://h:1?a=b", { { "COM20", "rfc2217://h:1?a=b" } } }, { "COM3", std::nullopt },
             { "=/dev/ttyS0", std::nullopt }, { "COM3=", std::nullopt }, { "=", std::nullopt } }) {
        const auto parsed = parseNameTarget(c.text);
        ASSERT_EQ(parsed.has_value(), c.parts.has_value()) << c.text;
        if (parsed) EXPECT_EQ(std::make_pair(parsed->name, parsed->target), *c.parts) << c.text;
    }
}

TEST(TrimBlanks, DropsBlanksAndTabsAroundOnly)
{
    const std::pair<const char*, const char*> cases[]
        = { { " \t 115200\t ", "115200" }, { "1 2", "1 2" }, { " \t ", "" }, { "", "" }, { "\n5", "\n5" } };
    for (const auto& [text, trimmed] : cases)
        EXPECT_EQ(trimBlanks(text), trimmed) << '"' << text << '"';
}
