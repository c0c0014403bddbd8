#include "verify/portlist.h"

#include <gtest/gtest.h>

using namespace verify;

TEST(PortList, RangesListsAndPathsInTheGivenOrder)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(*parsePortList("COM3-COM6"), (V { "COM3", "COM4", "COM5", "COM6" }));
    EXPECT_EQ(*parsePortList("com5,COM3,/dev/ttyUSB0"), (V { "COM5", "COM3", "/dev/ttyUSB0" }));
    EXPECT_EQ(parsePortList("COM3-COM98")->size(), 96u);
    for (const char* bad : { "", "COM3,", "COM6-COM3", "COM3-COMx", "ttyUSB0", "COM0", "COM3,com3", "COM1-COM9999" })
        EXPECT_FALSE(parsePortList(bad).ok()) << bad;
}

TEST(PortList, WiringSaysWhoseDataEachPortReceives)
{
    const std::vector<std::string> ports { "COM3", "COM4", "COM5", "COM7" };
    EXPECT_EQ(*planWiring("loopback", ports), (std::vector<int> { 0, 1, 2, 3 }));
    EXPECT_EQ(*planWiring("pairs", ports), (std::vector<int> { 1, 0, 3, 2 }));
    EXPECT_EQ(*planWiring("COM3:COM7,com4:COM5", ports), (std::vector<int> { 3, 2, 1, 0 }));
    for (const char* bad :
        { "pairs3", "COM3:COM7", "COM3:COM7,COM4:COM4", "COM3:COM7,COM3:COM4", "COM3:COM9,COM4:COM5" })
        EXPECT_FALSE(planWiring(bad, ports).ok()) << bad;
    EXPECT_FALSE(planWiring("pairs", { "COM3", "COM4", "COM5" }).ok());
}
