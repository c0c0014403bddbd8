// writeNow: what the driver takes at once goes out unchanged and nothing
// waits; a full driver queue, a read-only port, a hung-up device and a closed
// port each end it with the count and error a caller can act on.
#include "porthelpers.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

using namespace portio;

// Fills the pty's queues through the port until the driver takes no more.
// The kernel moves bytes on to the far end's queue in the background, so
// room can open up after a write was refused: fill again until two rounds a
// while apart take nothing.
void fillUp(Port& port)
{
    const std::string block(4096, 'f');
    for (int quietRounds = 0; quietRounds < 2;) {
        size_t taken = 0;
        for (IoResult r; (r = port.writeNow(block.data(), block.size())).count > 0;)
            taken += r.count;
        quietRounds = taken == 0 ? quietRounds + 1 : 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

struct Case {
    const char* name;
    void (*prepare)(PtyPair& pty, PortPtr& port);
    Access access;
    size_t expectCount;
    ErrorCode expectCode;
};

void nothing(PtyPair&, PortPtr&) { }

TEST(WriteNow, TakesWhatFitsWithoutWaitingAndReportsWhatStopsIt)
{
    const std::string bytes = allByteValues();
    const Case cases[] = {
        { "room in the driver", nothing, Access::ReadWrite, bytes.size(), ErrorCode::None },
        { "driver queue full", [](PtyPair&, PortPtr& port) { fillUp(*port); }, Access::ReadWrite, 0, ErrorCode::None },
        { "far end hung up", [](PtyPair& pty, PortPtr&) { pty.closeMaster(); }, Access::ReadWrite, 0,
            ErrorCode::DeviceGone },
        { "port closed", [](PtyPair&, PortPtr& port) { port->close(); }, Access::ReadWrite, 0, ErrorCode::Aborted },
        { "open for reading only", nothing, Access::Read, 0, ErrorCode::AccessDenied },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PtyPair pty;
        PortPtr port = openSlave(pty, c.access);
        ASSERT_TRUE(port);
        c.prepare(pty, port);
        const auto start = std::chrono::steady_clock::now();
        const IoResult r = port->writeNow(bytes.data(), bytes.size());
        EXPECT_LT(msSince(start), 500.0); // never waits for room (a generous bound, not a timing test)
        EXPECT_EQ(r.count, c.expectCount);
        EXPECT_EQ(r.error.code, c.expectCode) << r.error.text;
        if (c.expectCount > 0) {
            EXPECT_EQ(pty.readExactly(bytes.size()), bytes);
        }
    }
}

} // namespace
