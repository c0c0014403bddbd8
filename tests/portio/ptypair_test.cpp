#include "tests/support/ptypair.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace std::chrono_literals;

TEST(PtyPairFixture, CarriesBytesBothWaysAndHangsUpOnCloseMaster)
{
    PtyPair pty;
    const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "\r\n\x00\xff", 4), 4);
    EXPECT_EQ(pty.readExactly(4), std::string("\r\n\x00\xff", 4)) << "raw: no CR/LF translation";
    EXPECT_EQ(pty.readExactly(1, 50ms), "") << "a read with nothing coming ends at its limit";
    ASSERT_TRUE(pty.writeAll("ping"));
    char buf[4];
    ASSERT_EQ(::read(fd, buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), "ping");
    EXPECT_EQ(pty.readAvailable(), "") << "no echo";
    pty.closeMaster();
    EXPECT_LE(::read(fd, buf, 1), 0) << "the slave sees the hang-up";
    ::close(fd);
}

TEST(PtyPairFixture, WaitForReportsConditionAndLimit)
{
    int calls = 0;
    EXPECT_TRUE(waitFor([&] { return ++calls == 3; }));
    EXPECT_FALSE(waitFor([] { return false; }, 10ms));
}
