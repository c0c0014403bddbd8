#include "contract.h"

#include "tests/support/waitfor.h"

using namespace portio;
using namespace std::chrono_literals;

namespace contract {

namespace {

struct ReadCase {
    const char* name;
    CommTimeouts timeouts;
    std::string waiting; // bytes waiting in the port before the read
    size_t asked;
    std::string expected;
    std::chrono::milliseconds atLeast; // the read may not end earlier
};

constexpr uint32_t M = MAXDWORD;

const ReadCase kReads[] = {
    { "total constant, nothing comes", { 0, 0, 150, 0, 0 }, "", 10, "", 150ms },
    { "total multiplier x bytes + constant", { 0, 20, 50, 0, 0 }, "", 5, "", 150ms },
    { "total limit ends with what came", { 0, 0, 150, 0, 0 }, "abc", 10, "abc", 150ms },
    { "interval MAXDWORD: what waits, at once", { M, 0, 0, 0, 0 }, "abc", 10, "abc", 0ms },
    { "interval MAXDWORD: nothing waits, at once", { M, 0, 0, 0, 0 }, "", 10, "", 0ms },
    { "MAXDWORD, MAXDWORD, constant: a byte waits", { M, M, 5000, 0, 0 }, "xy", 10, "xy", 0ms },
    { "MAXDWORD, MAXDWORD, constant: nothing comes", { M, M, 150, 0, 0 }, "", 10, "", 150ms },
    { "interval ends after the last byte", { 200, 0, 0, 0, 0 }, "abcd", 10, "abcd", 0ms },
    { "all zero: every byte asked for", { 0, 0, 0, 0, 0 }, "abcd", 4, "abcd", 0ms },
    { "the count is met before any limit", { 0, 0, 10000, 0, 0 }, "abcdef", 3, "abc", 0ms },
};

} // namespace

TEST_P(PortContract, ReadTimeoutsEndReadsAsTheRulesSay)
{
    for (const ReadCase& c : kReads) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(port->purge(PURGE_RXCLEAR));
        if (!c.waiting.empty()) {
            ASSERT_TRUE(backend->farWrite(c.waiting));
        }
        ASSERT_TRUE(waitInQueue(uint32_t(c.waiting.size())));
        setTimeouts(c.timeouts);
        std::string got(c.asked, '\0');
        IoResult r;
        const auto start = std::chrono::steady_clock::now();
        {
            // A read that misses its limit would wait for ever: close ends it.
            Blocking read([&] { r = port->read(got.data(), got.size()); });
            if (!waitFor([&] { return read.returned(); }, 10s)) port->close();
        }
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_TRUE(r.ok()) << r.error.text;
        EXPECT_EQ(got.substr(0, r.count), c.expected);
        EXPECT_GE(took, c.atLeast);
        ASSERT_TRUE(r.ok()) << "the port had to be closed";
    }
}

TEST_P(PortContract, ReadWithoutLimitsWaitsForEveryByte)
{
    setTimeouts({});
    ASSERT_TRUE(backend->farWrite("ab"));
    ASSERT_TRUE(waitInQueue(2));
    char buf[4] = {};
    IoResult r;
    Blocking read([&] { r = port->read(buf, sizeof buf); });
    ASSERT_TRUE(waitInQueue(0)); // the read has taken the first two and waits on
    EXPECT_FALSE(read.returned()) << "returned with " << r.count << " of 4 bytes";
    ASSERT_TRUE(backend->farWrite("cd"));
    read.join("the read");
    EXPECT_TRUE(r.ok()) << r.error.text;
    EXPECT_EQ(std::string(buf, r.count), "abcd");
}

TEST_P(PortContract, WriteTimeoutEndsTheWriteAndDropsTheRest)
{
    const std::string block = largeBlock();
    setTimeouts({ 0, 0, 0, 0, 200 });
    const auto start = std::chrono::steady_clock::now();
    IoResult r;
    Blocking([&] { r = port->write(block.data(), block.size()); }).join("the write with a time-out");
    EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);
    EXPECT_EQ(r.error.code, ErrorCode::TimedOut) << r.error.text;
    ASSERT_GT(r.count, 0u);
    ASSERT_LT(r.count, block.size());
    // The far end gets what the write counted and then, with nothing of the
    // dropped rest in between, the next write.
    const std::string arrived = backend->farRead(r.count, 10s);
    EXPECT_EQ(arrived.size(), r.count);
    EXPECT_TRUE(arrived == block.substr(0, arrived.size())) << "the bytes that arrived are not the block's first";
    setTimeouts({ 0, 0, 0, 0, 5000 });
    ASSERT_EQ(port->write("END", 3).count, 3u);
    EXPECT_EQ(backend->farRead(3, 5s), "END");
}

} // namespace contract
