#include "vboard/boardconfig.h"

#include <gtest/gtest.h>

using namespace vboard;

TEST(BoardOption, EmptyGivesTheDefaults)
{
    auto c = parseBoardOption("");
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(c->ports, 96);
    EXPECT_EQ(c->firstCom, 3);
    EXPECT_EQ(c->wiring, Wiring::Loopback);
    EXPECT_EQ(c->maxBaud, 921600u);
    EXPECT_EQ(c->queueSize, 4096u);
}

TEST(BoardOption, BareWiringAndItems)
{
    EXPECT_EQ(parseBoardOption("pairs")->wiring, Wiring::Pairs);
    auto c = parseBoardOption("wiring=open,ports=8,first=5,maxbaud=115200,queue=1024");
    ASSERT_TRUE(c.ok()) << c.error().text;
    EXPECT_EQ(c->wiring, Wiring::Open);
    EXPECT_EQ(c->ports, 8);
    EXPECT_EQ(c->firstCom, 5);
    EXPECT_EQ(c->maxBaud, 115200u);
    EXPECT_EQ(c->queueSize, 1024u);
}

TEST(BoardOption, BadInputIsRefusedWithItsReason)
{
    struct Case {
        const char* value;
        const char* reason;
    };
    for (const Case& c : { Case { "star", "neither a wiring" }, Case { "wiring=star", "unknown wiring" },
             Case { "ports=0", "ports must be a number from 1 to 256" }, Case { "ports=12x", "not \"12x\"" },
             Case { "ports=-1", "ports must be" }, Case { "ports=99999999999999999999999", "ports must be" },
             Case { "colour=red", "unknown item \"colour\"" }, Case { ",", "empty item" },
             Case { "pairs,", "empty item" }, Case { "ports=200,first=9900", "COM9999" },
             Case { "first=", "first must be" } }) {
        const auto r = parseBoardOption(c.value);
        ASSERT_FALSE(r.ok()) << c.value;
        EXPECT_EQ(r.error().code, portio::ErrorCode::InvalidArgument);
        EXPECT_NE(r.error().text.find(c.reason), std::string::npos) << c.value << ": " << r.error().text;
        EXPECT_NE(r.error().text.find("--virtual-board"), std::string::npos);
    }
}

TEST(BoardOption, FaultItems)
{
    auto c = parseBoardOption("ports=8,noise=1e-5,drop=COM7:1e-4,drop=com8:0.5,swap=COM5:COM9,nocts=COM4,seed=42");
    ASSERT_TRUE(c.ok()) << c.error().text;
    EXPECT_DOUBLE_EQ(c->faults.noise, 1e-5);
    EXPECT_EQ(c->faults.drops, (std::map<int, double> { { 7, 1e-4 }, { 8, 0.5 } }));
    EXPECT_EQ(c->faults.swap, std::pair(5, 9));
    EXPECT_EQ(c->faults.noCts, std::set<int> { 4 });
    EXPECT_EQ(c->faults.seed, 42u);
    EXPECT_FALSE(parseBoardOption("")->faults.any());
    for (const char* bad : { "noise=2", "noise=x", "drop=COM7", "drop=7:0.1", "swap=COM5", "swap=COM5:COM5",
             "nocts=COM200", "ports=8,drop=COM11:0.1" }) {
        const auto r = parseBoardOption(bad);
        EXPECT_FALSE(r.ok()) << bad;
    }
}
