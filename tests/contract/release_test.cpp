#include "contract.h"

using namespace portio;
using namespace std::chrono_literals;

namespace contract {

TEST_P(PortContract, CloseEndsABlockedReadAndEventWait)
{
    setTimeouts({});
    ASSERT_FALSE(port->setCommMask(EV_RXCHAR));
    ASSERT_TRUE(backend->farWrite("12"));
    ASSERT_TRUE(waitInQueue(2));
    char buf[100];
    IoResult r;
    Result<uint32_t> events = 0u;
    Blocking read([&] { r = port->read(buf, sizeof buf); });
    ASSERT_TRUE(waitInQueue(0)); // taken: the read waits for the rest
    Blocking wait([&] { events = port->waitCommEvent(); }); // nothing waits: it blocks
    Blocking close([&] { port->close(); });
    close.join("close with a read pending");
    read.join("the read after close");
    wait.join("the event wait after close");
    EXPECT_EQ(r.error.code, ErrorCode::Aborted) << r.error.text;
    EXPECT_EQ(std::string(buf, r.count), "12");
    EXPECT_EQ(events.error().code, ErrorCode::Aborted);
}

TEST_P(PortContract, CloseEndsABlockedWrite)
{
    setTimeouts({});
    const std::string block = largeBlock();
    IoResult w;
    Blocking write([&] { w = port->write(block.data(), block.size()); });
    ASSERT_EQ(backend->farRead(1, 5s), "A"); // under way, and it cannot finish
    Blocking close([&] { port->close(); });
    close.join("close with a write pending");
    write.join("the write after close");
    EXPECT_EQ(w.error.code, ErrorCode::Aborted) << w.error.text;
    EXPECT_LT(w.count, block.size());
    // The device is free again.
    EXPECT_TRUE(backend->open().ok());
}

} // namespace contract
