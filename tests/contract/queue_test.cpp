#include "contract.h"

#include <string>

using namespace portio;

namespace contract {

namespace {

// Bytes that tell their position, so that a lost or repeated stretch shows.
std::string numbered(size_t n, char first)
{
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += char(first + i % 23);
    return s;
}

struct QueueCase {
    const char* name;
    uint32_t purge; // applied with bytes in both places (0: none)
    uint32_t left; // what the count shows after it
};

const QueueCase kQueueCases[] = {
    { "no purge", 0, 170 },
    { "purge of input", PURGE_RXCLEAR, 0 },
    { "purge of output only", PURGE_TXCLEAR, 170 },
};

// Reads of at most 80 bytes until nothing waits, as the receive thread reads.
std::string readAllInEighties(Port& port)
{
    std::string got;
    char buf[80];
    for (IoResult r = port.read(buf, sizeof buf); r.count > 0; r = port.read(buf, sizeof buf))
        got.append(buf, r.count);
    return got;
}

} // namespace

// A port that has taken part of what arrived into a queue of its own still
// counts, purges and serves all of it, in order, beside what came after.
TEST_P(PortContract, CountAndPurgeSeeInputThatWaitsInBothQueues)
{
    setTimeouts({ MAXDWORD, 0, 0, 0, 0 }); // reads return at once with what waits
    const std::string first = numbered(200, 'a'), then = numbered(50, 'A');
    for (const auto& c : kQueueCases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(backend->farWrite(first));
        ASSERT_TRUE(waitInQueue(200));
        char buf[80];
        const IoResult r = port->read(buf, sizeof buf);
        ASSERT_EQ(std::string(buf, r.count), first.substr(0, 80)) << r.error.text;
        ASSERT_TRUE(backend->farWrite(then));
        ASSERT_TRUE(waitInQueue(170));
        if (c.purge) ASSERT_FALSE(port->purge(c.purge));
        EXPECT_TRUE(waitInQueue(c.left));
        const std::string expected = c.left ? first.substr(80) + then : std::string();
        EXPECT_EQ(readAllInEighties(*port), expected);
        EXPECT_TRUE(waitInQueue(0));
    }
}

} // namespace contract
