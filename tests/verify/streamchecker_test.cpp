#include "verify/streamchecker.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

using namespace verify;

namespace {

constexpr uint32_t Source = 7;
constexpr size_t Sent = 3000;

using Bytes = std::vector<uint8_t>;

Bytes stream(int dataBits, uint32_t source, size_t n)
{
    Bytes b(n);
    TestPattern(dataBits).fill(source, 0, b.data(), n);
    return b;
}

// Feeds in uneven chunks, as reads deliver them.
StreamChecker check(int dataBits, const Bytes& rx)
{
    StreamChecker c(dataBits, Source);
    for (size_t at = 0, k = 1; at < rx.size(); k = k * 7 % 61 + 1) {
        const size_t n = std::min(k, rx.size() - at);
        c.feed(rx.data() + at, n);
        at += n;
    }
    c.finish(Sent);
    return c;
}

void erase(Bytes& b, size_t at, size_t n)
{
    b.erase(b.begin() + ptrdiff_t(at), b.begin() + ptrdiff_t(at + n));
}

struct Case {
    const char* name;
    std::function<void(Bytes&, int dataBits)> damage;
    StreamCounts expected;
};

const Case Cases[] = {
    { "clean", [](Bytes&, int) {}, {} },
    { "one bit flipped", [](Bytes& b, int) { b[500] ^= 0x04; }, { .corrupt = 1 } },
    { "three bytes hit, one of them a frame start",
        [](Bytes& b, int) {
            b[500] ^= 0x01;
            b[1024] ^= 0x10;
            b[2000] ^= 0x08;
        },
        { .corrupt = 3 } },
    { "a burst of four",
        [](Bytes& b, int) {
            for (int i = 0; i < 4; ++i)
                b[700 + i] ^= 0x02;
        },
        { .corrupt = 4 } },
    { "one byte lost", [](Bytes& b, int) { erase(b, 500, 1); }, { .lost = 1 } },
    { "two bytes lost close together",
        [](Bytes& b, int) {
            erase(b, 504, 1);
            erase(b, 500, 1);
        },
        { .lost = 2 } },
    { "bytes lost a few apart, in clusters, one across a frame header",
        [](Bytes& b, int) {
            for (size_t at : { 1404, 1395, 1393, 1003, 1001, 1000, 804, 802, 800, 605, 603, 600, 502, 500 })
                erase(b, at, 1);
        },
        { .lost = 14 } },
    { "a long gap", [](Bytes& b, int) { erase(b, 500, 300); }, { .lost = 300 } },
    // Placed where every one of its bytes differs from what it replaces.
    { "a whole frame from far beyond what was sent",
        [](Bytes& b, int bits) { TestPattern(bits).fill(Source, 16'000'000'000, b.data() + 1608, 16); },
        { .corrupt = 16 } },
    { "the last byte but one lost", [](Bytes& b, int) { erase(b, Sent - 2, 1); }, { .lost = 1 } },
    { "the tail never came", [](Bytes& b, int) { erase(b, Sent - 30, 30); }, { .lost = 30 } },
    { "a stretch sent twice", [](Bytes& b, int) { b.insert(b.begin() + 600, b.begin() + 590, b.begin() + 600); },
        { .duplicate = 10 } },
    { "a block overtaken by the next",
        [](Bytes& b, int) { std::rotate(b.begin() + 500, b.begin() + 600, b.begin() + 700); }, { .reordered = 100 } },
    { "another port's data", [](Bytes& b, int bits) { b = stream(bits, 9, Sent); },
        { .lost = Sent, .misrouted = Sent } },
    { "nothing arrived", [](Bytes& b, int) { b.clear(); }, { .lost = Sent } },
    { "the pattern goes on past what was sent", [](Bytes& b, int bits) { b = stream(bits, Source, Sent + 5); },
        { .duplicate = 5 } },
    { "the last block twice", [](Bytes& b, int) { b.insert(b.end(), b.end() - 16, b.end()); }, { .duplicate = 16 } },
};

} // namespace

TEST(StreamChecker, CountsEachFaultOnceInEveryDataWidth)
{
    for (int bits = 5; bits <= 8; ++bits) {
        for (const Case& c : Cases) {
            Bytes rx = stream(bits, Source, Sent);
            c.damage(rx, bits);
            const auto checker = check(bits, rx);
            const StreamCounts& got = checker.counts();
            SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(bits) + " data bits");
            // Every port's frames start with the same byte in 5 data bits:
            // the first of another port's frames may pass as our own.
            const uint64_t slack = c.expected.misrouted ? 1 : 0;
            EXPECT_NEAR(double(got.lost), double(c.expected.lost), slack);
            EXPECT_NEAR(double(got.misrouted), double(c.expected.misrouted), slack);
            EXPECT_EQ(got.corrupt, c.expected.corrupt);
            EXPECT_EQ(got.duplicate, c.expected.duplicate);
            EXPECT_EQ(got.reordered, c.expected.reordered);
            EXPECT_EQ(checker.received(), rx.size());
            EXPECT_EQ(checker.firstError().has_value(), got.total() > 0);
        }
    }
}

// Bytes lost at random, often a few apart: each is counted lost, and no
// byte that arrived intact is counted damaged.
TEST(StreamChecker, RandomLossesAreCountedExactly)
{
    for (int bits = 5; bits <= 8; ++bits) {
        for (unsigned seed : { 1u, 2u, 3u }) {
            std::minstd_rand rng(seed);
            Bytes rx;
            const Bytes all = stream(bits, Source, Sent);
            for (uint8_t byte : all)
                if (rng() % 50) rx.push_back(byte);
            const auto c = check(bits, rx);
            SCOPED_TRACE(std::to_string(bits) + " data bits, seed " + std::to_string(seed));
            EXPECT_EQ(c.counts().lost, Sent - rx.size());
            EXPECT_EQ(c.counts().total(), Sent - rx.size());
        }
    }
}

TEST(StreamChecker, NamesTheForeignSourceAndDumpsTheFirstError)
{
    const auto foreign = check(8, stream(8, 9, Sent));
    EXPECT_EQ(foreign.foreignSources(), std::set<uint32_t> { 9 });

    Bytes rx = stream(8, Source, Sent);
    const Bytes clean = rx;
    rx[500] = uint8_t(rx[500] ^ 0xFF);
    const auto c = check(8, rx);
    ASSERT_TRUE(c.firstError());
    EXPECT_EQ(c.firstError()->offset, 500u);
    // Both dumps start 8 bytes before the error and differ only in it.
    const std::string want = c.firstError()->expectedHex, got = c.firstError()->receivedHex;
    ASSERT_EQ(want.size(), 16u * 3 - 1);
    ASSERT_EQ(got.size(), want.size());
    EXPECT_EQ(want.substr(0, 24), got.substr(0, 24));
    EXPECT_NE(want.substr(24, 2), got.substr(24, 2));
    EXPECT_EQ(want.substr(27), got.substr(27));
    char byte[3];
    std::snprintf(byte, sizeof byte, "%02x", clean[500]);
    EXPECT_EQ(want.substr(24, 2), byte);
}

// Two runs on one cable: the other run's port with the same place in its list
// sends frames that look like ours in every way but the run's key.
TEST(StreamChecker, AnotherRunsDataIsNeverTakenForOurOwn)
{
    for (int bits = 5; bits <= 8; ++bits) {
        Bytes rx(Sent);
        TestPattern(bits, 0x51).fill(Source, 0, rx.data(), Sent);
        StreamChecker c(bits, Source, 0x2B);
        c.feed(rx.data(), rx.size());
        c.finish(Sent);
        SCOPED_TRACE(std::to_string(bits) + " data bits");
        EXPECT_GE(c.counts().lost + c.counts().corrupt, Sent / 2);
        EXPECT_TRUE(c.firstError().has_value());
    }
}

TEST(TestPattern, FitsTheDataBitsAndNeverSendsTheXonOrXoffInUse)
{
    struct Case {
        int bits;
        std::vector<uint8_t> avoid; // besides the standard pair, which never occurs
    };
    const Case cases[] = { { 5, {} }, { 6, {} }, { 7, {} }, { 8, {} }, { 6, { 0x01, 0x3A } }, { 7, { 0x21, 0x43 } },
        { 8, { 0x21, 0x23 } }, { 8, { 0x05, 0x25, 0x45, 0x65, 0x85, 0xA5, 0xC5 } } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        std::vector<uint8_t> avoid = c.avoid;
        avoid.insert(avoid.end(), { 0x11, 0x13 });
        ASSERT_TRUE(TestPattern::canAvoid(c.bits, avoid));
        const TestPattern p(c.bits, 7, c.avoid);
        for (uint32_t source : { 0u, 5u, 95u, 4095u }) {
            for (uint64_t off = 0; off < 20000; ++off) {
                const uint8_t b = p.byteAt(source, off);
                ASSERT_LT(b, 1u << c.bits);
                ASSERT_EQ(std::count(avoid.begin(), avoid.end(), b), 0) << off;
            }
            uint8_t frame[16];
            p.fill(source, 16 * 1234, frame, 16);
            const auto origin = p.frameAt(frame, 16);
            ASSERT_TRUE(origin);
            EXPECT_EQ(origin->source, source);
            EXPECT_EQ(origin->offset, 16u * 1234);
        }
    }
    // Nothing is left above bit 4 in 5 data bits; in 6 both choices of a character can be taken.
    EXPECT_FALSE(TestPattern::canAvoid(5, { 0x05 }));
    EXPECT_FALSE(TestPattern::canAvoid(6, { 0x05, 0x25 }));
    EXPECT_TRUE(TestPattern::canAvoid(5, { 0x15 }));
}
