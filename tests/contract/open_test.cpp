#include "contract.h"

using namespace portio;

namespace contract {

TEST_P(PortContract, SecondOpenIsBusyAndLeavesTheFirstWorking)
{
    auto again = backend->open();
    ASSERT_FALSE(again.ok()) << "a second open of the same device succeeded";
    EXPECT_EQ(again.error().code, ErrorCode::Busy) << again.error().text;

    setTimeouts({ 0, 0, 5000, 0, 5000 });
    ASSERT_TRUE(backend->farWrite("ping"));
    char buf[4];
    const IoResult r = port->read(buf, sizeof buf);
    EXPECT_EQ(std::string(buf, r.count), "ping") << r.error.text;
    ASSERT_EQ(port->write("pong", 4).count, 4u);
    EXPECT_EQ(backend->farRead(4, std::chrono::seconds(5)), "pong");
}

TEST_P(PortContract, ClosedPortFailsEveryCallAndOpensAgain)
{
    port->close();
    port->close(); // twice is harmless
    char c;
    EXPECT_EQ(port->read(&c, 1).error.code, ErrorCode::Aborted);
    EXPECT_EQ(port->write("x", 1).error.code, ErrorCode::Aborted);
    EXPECT_EQ(port->getState().error().code, ErrorCode::Aborted);
    EXPECT_EQ(port->setCommMask(EV_RXCHAR).code, ErrorCode::Aborted);
    EXPECT_EQ(port->purge(PURGE_RXCLEAR).code, ErrorCode::Aborted);

    auto again = backend->open();
    ASSERT_TRUE(again.ok()) << "close did not release the device: " << again.error().text;
    ASSERT_EQ((*again)->write("back", 4).count, 4u);
    EXPECT_EQ(backend->farRead(4, std::chrono::seconds(5)), "back");
}

} // namespace contract
