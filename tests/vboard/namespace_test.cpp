#include "boardtesting.h"

#include "portio/devicenamespace.h"
#include "vboard/boardinstall.h"

using namespace portio;
using namespace vboard;
using namespace vboardtest;

namespace {

DeviceNamespace::Config noHostDevices()
{
    DeviceNamespace::Config c;
    c.devDir = "/nonexistent-vesperline-dev";
    c.linkDir = "/nonexistent-vesperline-links";
    return c;
}

} // namespace

TEST(BoardNamespace, PortsAreServedAsComNamesFromTheFirstNumber)
{
    DeviceNamespace ns(noHostDevices());
    auto config = *parseBoardOption("pairs,ports=4,first=5");
    auto board = installVirtualBoard(ns, config);
    EXPECT_EQ(*ns.query("COM5"), "vboard:0");
    EXPECT_EQ(*ns.query("\\\\.\\com8"), "vboard:3");
    EXPECT_FALSE(ns.query("COM9").ok());

    auto a = ns.open("\\\\.\\COM5", Access::ReadWrite);
    auto b = ns.open("COM6", Access::ReadWrite);
    ASSERT_TRUE(a.ok() && b.ok());
    EXPECT_EQ(ns.open("COM6", Access::ReadWrite).error().code, ErrorCode::Busy);
    ASSERT_EQ((*a)->write("ok", 2).count, 2u);
    EXPECT_EQ(readBytes(**b, 2), (std::vector<uint8_t> { 'o', 'k' }));
    ns.removeBoard();
}

TEST(BoardNamespace, DefaultBoardCoversCom3ToCom98)
{
    DeviceNamespace ns(noHostDevices());
    auto board = installVirtualBoard(ns, {});
    EXPECT_EQ(*ns.query("COM3"), "vboard:0");
    EXPECT_EQ(*ns.query("COM98"), "vboard:95");
    EXPECT_FALSE(ns.query("COM99").ok());
    EXPECT_TRUE(ns.probe("COM50").ok());
    EXPECT_FALSE(board->modemOutputs(47).dtr) << "a probe leaves the port as it was";
    ns.removeBoard();
}
