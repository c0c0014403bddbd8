#include "comtest.h"

#include "tests/support/waitfor.h"

#include <future>
#include <thread>

using namespace portio;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;
using IoTest = ComTest;

CommTimeouts readTimeouts(uint32_t interval, uint32_t multiplier, uint32_t constant)
{
    CommTimeouts t;
    t.ReadIntervalTimeout = interval;
    t.ReadTotalTimeoutMultiplier = multiplier;
    t.ReadTotalTimeoutConstant = constant;
    t.WriteTotalTimeoutConstant = 5000;
    return t;
}

std::string readUpTo(Port& p, size_t n, IoResult* result = nullptr)
{
    std::string got(n, '\0');
    const auto r = p.read(got.data(), n);
    got.resize(r.count);
    if (result) *result = r;
    return got;
}

// Every byte value, both ways, in order and complete.
TEST_F(IoTest, BytesCrossTheLineBothWays)
{
    const std::string out = patternBytes(64 * 1024);
    ASSERT_TRUE(port().setTimeouts(readTimeouts(0, 0, 10000)).ok());
    auto farEnd = std::async(std::launch::async, [&] { return pair().farRead(out.size(), 10s); });
    const auto w = port().write(out.data(), out.size());
    ASSERT_TRUE(w.ok()) << w.error.text;
    EXPECT_EQ(w.count, out.size());
    EXPECT_EQ(farEnd.get(), out);

    const std::string back = patternBytes(5000).substr(77);
    auto reader = std::async(std::launch::async, [&] { return readUpTo(port(), back.size()); });
    ASSERT_TRUE(pair().farWrite(back));
    EXPECT_EQ(reader.get(), back);
}

// The read time-out rules, as the near port sees bytes the far end sent.
TEST_F(IoTest, ReadTimeoutsEndReadsByTheRules)
{
    struct Case {
        const char* what;
        CommTimeouts timeouts;
        std::string waiting; // sent before the read
        size_t ask;
        size_t expect;
        std::chrono::milliseconds atLeast;
    } cases[] = {
        { "total constant, nothing comes", readTimeouts(0, 0, 300), "", 10, 0, 300ms },
        { "total multiplier x bytes", readTimeouts(0, 50, 0), "abc", 8, 3, 400ms },
        { "MAXDWORD interval: what waits, at once", readTimeouts(MAXDWORD, 0, 0), "abcd", 10, 4, 0ms },
        { "MAXDWORD interval, nothing waits", readTimeouts(MAXDWORD, 0, 0), "", 10, 0, 0ms },
        { "interval after the first byte", readTimeouts(200, 0, 0), "hello", 10, 5, 200ms },
        { "all zero: every byte asked for", readTimeouts(0, 0, 0), "exactly8", 8, 8, 0ms },
        { "MAXDWORD/MAXDWORD/constant, nothing comes", readTimeouts(MAXDWORD, MAXDWORD, 300), "", 4, 0, 300ms },
        { "MAXDWORD/MAXDWORD/constant, bytes wait", readTimeouts(MAXDWORD, MAXDWORD, 5000), "xy", 4, 2, 0ms },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(port().setTimeouts(c.timeouts).ok());
        if (!c.waiting.empty()) {
            ASSERT_TRUE(pair().farWrite(c.waiting));
            ASSERT_TRUE(waitFor([&] { return port().clearCommError()->cbInQue == c.waiting.size(); }));
        }
        const auto start = Clock::now();
        IoResult r;
        const auto got = readUpTo(port(), c.ask, &r);
        const auto took = Clock::now() - start;
        EXPECT_TRUE(r.ok()) << r.error.text;
        EXPECT_EQ(got, c.waiting.substr(0, c.expect));
        EXPECT_GE(took, c.atLeast);
        EXPECT_LT(took, c.atLeast + 5s);
    }
}

// With nothing waiting, the first byte to arrive ends the read.
TEST_F(IoTest, FirstByteEndsAnAnyByteRead)
{
    ASSERT_TRUE(port().setTimeouts(readTimeouts(MAXDWORD, MAXDWORD, 20000)).ok());
    auto reader = std::async(std::launch::async, [&] { return readUpTo(port(), 10); });
    ASSERT_EQ(reader.wait_for(200ms), std::future_status::timeout);
    ASSERT_TRUE(pair().farWrite("Z"));
    ASSERT_TRUE(endsWithin(reader));
    EXPECT_EQ(reader.get(), "Z");
}

TEST_F(IoTest, PurgeDropsWhatWaitsAndAbortsAPendingRead)
{
    ASSERT_TRUE(pair().farWrite("stale bytes"));
    ASSERT_TRUE(waitFor([&] { return port().clearCommError()->cbInQue == 11; }));
    ASSERT_TRUE(port().purge(PURGE_RXCLEAR).ok());
    EXPECT_EQ(port().clearCommError()->cbInQue, 0u);

    ASSERT_TRUE(port().setTimeouts(readTimeouts(0, 0, 0)).ok());
    IoResult r;
    auto reader = std::async(std::launch::async, [&] { return readUpTo(port(), 4, &r); });
    ASSERT_EQ(reader.wait_for(200ms), std::future_status::timeout);
    ASSERT_TRUE(port().purge(PURGE_RXABORT).ok());
    ASSERT_TRUE(endsWithin(reader));
    EXPECT_EQ(reader.get(), "");
    EXPECT_EQ(r.error.code, ErrorCode::Aborted) << r.error.text;

    ASSERT_TRUE(pair().farWrite("fresh"));
    ASSERT_TRUE(port().setTimeouts(readTimeouts(0, 0, 5000)).ok());
    EXPECT_EQ(readUpTo(port(), 5), "fresh");
}

// Close ends a read, a write and an event wait that block, and later calls fail.
TEST_F(IoTest, CloseEndsBlockedCalls)
{
    ASSERT_TRUE(port().setTimeouts(readTimeouts(0, 0, 0)).ok());
    ASSERT_TRUE(port().setCommMask(EV_RXCHAR).ok());
    IoResult r;
    auto reader = std::async(std::launch::async, [&] { return readUpTo(port(), 4, &r); });
    auto waiter = std::async(std::launch::async, [&] { return port().waitCommEvent(); });
    ASSERT_EQ(reader.wait_for(200ms), std::future_status::timeout);
    ASSERT_EQ(waiter.wait_for(0ms), std::future_status::timeout);
    port().close();
    ASSERT_TRUE(endsWithin(reader));
    ASSERT_TRUE(endsWithin(waiter));
    EXPECT_EQ(reader.get(), "");
    EXPECT_EQ(r.error.code, ErrorCode::Aborted) << r.error.text;
    auto ev = waiter.get();
    ASSERT_FALSE(ev);
    EXPECT_EQ(ev.error().code, ErrorCode::Aborted);
    EXPECT_EQ(port().write("x", 1).error.code, ErrorCode::Aborted);
}

// EV_RXCHAR holds while bytes wait; a mask change releases the waiter with 0.
TEST_F(IoTest, EventWaitSeesBytesAndMaskChanges)
{
    ASSERT_TRUE(port().setCommMask(EV_RXCHAR).ok());
    auto waiter = std::async(std::launch::async, [&] { return port().waitCommEvent(); });
    ASSERT_EQ(waiter.wait_for(200ms), std::future_status::timeout);
    ASSERT_TRUE(pair().farWrite("e"));
    ASSERT_TRUE(endsWithin(waiter));
    EXPECT_EQ(*waiter.get(), EV_RXCHAR);
    EXPECT_EQ(*port().waitCommEvent(), EV_RXCHAR); // still waiting: level, not edge
    ASSERT_TRUE(port().purge(PURGE_RXCLEAR).ok());

    auto released = std::async(std::launch::async, [&] { return port().waitCommEvent(); });
    ASSERT_EQ(released.wait_for(200ms), std::future_status::timeout);
    ASSERT_TRUE(port().setCommMask(0).ok());
    ASSERT_TRUE(endsWithin(released));
    EXPECT_EQ(*released.get(), 0u);
}

// A write that cannot finish in time ends at its limit with TimedOut.
TEST_F(IoTest, WriteTimeoutEndsAStalledWrite)
{
    CommTimeouts t = readTimeouts(0, 0, 0);
    t.WriteTotalTimeoutConstant = 300;
    ASSERT_TRUE(port().setTimeouts(t).ok());
    // Nobody reads the far end: the pseudo-terminal's buffers fill up.
    const std::string big(4 * 1024 * 1024, 'w');
    const auto start = Clock::now();
    const auto w = port().write(big.data(), big.size());
    const auto took = Clock::now() - start;
    // What was under way still drains out of the relay; later cases start clean.
    while (!pair().farRead(1 << 20, 500ms).empty()) { }
    if (w.ok() && w.count == big.size())
        GTEST_SKIP() << "the line took 4 MiB without stalling, so no write could time out";
    EXPECT_GE(took, 300ms);
    EXPECT_EQ(w.error.code, ErrorCode::TimedOut) << w.error.text;
    EXPECT_LT(w.count, big.size());
}

} // namespace
