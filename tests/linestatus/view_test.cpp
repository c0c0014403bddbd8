#include "linestatus/hexview.h"
#include "linestatus/timestamps.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <numeric>
#include <sstream>
#include <vector>

using namespace linestatus;
using namespace std::chrono;

namespace {

std::vector<uint8_t> allByteValues()
{
    std::vector<uint8_t> v(256);
    std::iota(v.begin(), v.end(), uint8_t(0));
    return v;
}

// The view as a pane shows it: finished rows, then the latest partial row.
std::string shown(HexView& view, const std::vector<uint8_t>& data, const std::vector<size_t>& chunkSizes)
{
    std::string text, partial;
    size_t at = 0;
    for (size_t i = 0; at < data.size(); ++i) {
        const size_t n = std::min(chunkSizes[i % chunkSizes.size()], data.size() - at);
        const auto u = view.append(data.data() + at, n);
        text += u.lines;
        partial = u.partial;
        at += n;
    }
    return text + partial;
}

// The bytes the hex columns of the rows spell, read back.
std::vector<uint8_t> bytesOfRows(const std::string& text)
{
    std::vector<uint8_t> out;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream cells(line.substr(10, 49));
        for (std::string cell; cells >> cell;)
            out.push_back(uint8_t(std::stoul(cell, nullptr, 16)));
    }
    return out;
}

WallClock::time_point utc(int h, int m, int s, int ms)
{
    return WallClock::time_point(hours(24 * 20000 + h) + minutes(m) + seconds(s) + milliseconds(ms));
}

struct UtcZone {
    UtcZone()
    {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
};

} // namespace

TEST(HexView, ShowsAllByteValuesWithOffsetsHexAndLatin1)
{
    HexView view;
    const auto all = allByteValues();
    const std::string text = shown(view, all, { 256 });
    const struct {
        size_t row;
        std::string text;
    } rows[] = {
        { 0, "00000000  00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  ................" },
        { 2, "00000020  20 21 22 23 24 25 26 27  28 29 2A 2B 2C 2D 2E 2F   !\"#$%&'()*+,-./" },
        { 7, "00000070  70 71 72 73 74 75 76 77  78 79 7A 7B 7C 7D 7E 7F  pqrstuvwxyz{|}~." },
        { 9, "00000090  90 91 92 93 94 95 96 97  98 99 9A 9B 9C 9D 9E 9F  ................" },
        { 10, "000000A0  A0 A1 A2 A3 A4 A5 A6 A7  A8 A9 AA AB AC AD AE AF  .¡¢£¤¥¦§¨©ª«¬.®¯" },
        { 15, "000000F0  F0 F1 F2 F3 F4 F5 F6 F7  F8 F9 FA FB FC FD FE FF  ðñòóôõö÷øùúûüýþÿ" },
    };
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 16u) << text;
    for (const auto& r : rows)
        EXPECT_EQ(lines[r.row], r.text) << r.row;
    EXPECT_EQ(bytesOfRows(text), all);
    EXPECT_EQ(view.offset(), 256u);
}

// However the bytes are split into chunks, the rows come out the same.
TEST(HexView, ChunksKeepOffsetsAndPartialRowsRight)
{
    const auto all = allByteValues();
    HexView whole;
    const std::string expected = shown(whole, all, { 256 });
    const std::vector<std::vector<size_t>> splits { { 1 }, { 7 }, { 15, 1, 17 }, { 100 }, { 3, 250 } };
    for (const auto& split : splits) {
        HexView view;
        EXPECT_EQ(shown(view, all, split), expected) << split[0];
    }
    HexView view;
    const auto u = view.append(all.data(), 20);
    EXPECT_EQ(u.partial, "00000010  10 11 12 13                                       ....");
}

// A chunk after a pause gets its stamp on a line of its own and starts a new
// row at its own offset; the chunks of a burst run on in the same row.
TEST(HexView, StampsChunksThatComeAfterAPause)
{
    UtcZone zone;
    const auto all = allByteValues();
    const auto t0 = utc(13, 45, 7, 89);
    const struct {
        StampMode mode;
        std::string text;
    } cases[] = {
        { StampMode::Off,
            "00000000  41 42 43 44 45 46 47 48  49 4A 4B 4C 4D 4E 4F 50  ABCDEFGHIJKLMNOP\n"
            "00000010  51 52 53 54 55 56 57 58  59 5A 5B 5C 5D 5E 5F 60  QRSTUVWXYZ[\\]^_`\n"
            "00000020  61 62 63 64                                       abcd" },
        { StampMode::Clock,
            "13:45:07.089\n"
            "00000000  41 42 43 44 45 46 47 48  49 4A 4B 4C 4D 4E 4F 50  ABCDEFGHIJKLMNOP\n"
            "00000010  51 52 53 54 55 56 57 58  59 5A                    QRSTUVWXYZ\n"
            "13:45:08.589\n"
            "0000001A  5B 5C 5D 5E 5F 60 61 62  63 64                    [\\]^_`abcd" },
        { StampMode::SincePrevious,
            "+0.000\n"
            "00000000  41 42 43 44 45 46 47 48  49 4A 4B 4C 4D 4E 4F 50  ABCDEFGHIJKLMNOP\n"
            "00000010  51 52 53 54 55 56 57 58  59 5A                    QRSTUVWXYZ\n"
            "+1.450\n"
            "0000001A  5B 5C 5D 5E 5F 60 61 62  63 64                    [\\]^_`abcd" },
    };
    for (const auto& c : cases) {
        HexView view;
        ChunkStamps stamps(c.mode, milliseconds(100));
        const struct {
            size_t from, n;
            WallClock::time_point at;
        } chunks[] = { { 0x41, 20, t0 }, { 0x55, 6, t0 + milliseconds(50) }, { 0x5b, 10, t0 + milliseconds(1500) } };
        std::string text, partial;
        for (const auto& chunk : chunks) {
            const auto u = view.append(all.data() + chunk.from, chunk.n, stamps.forChunk(chunk.at));
            text += u.lines;
            partial = u.partial;
        }
        EXPECT_EQ(text + partial, c.text) << int(c.mode);
    }
}

TEST(TextStamps, StampEachLineWithTheChunkThatStartsIt)
{
    UtcZone zone;
    const auto t0 = utc(23, 59, 59, 999);
    const struct {
        StampMode mode;
        std::string text;
    } cases[] = {
        { StampMode::Off, "ab\ncd\ne\n\nf" },
        { StampMode::Clock, "23:59:59.999 ab\n23:59:59.999 cd\n00:00:01.499 e\n00:00:01.499 \n00:00:01.504 f" },
        { StampMode::SincePrevious, "+0.000 ab\n+0.000 cd\n+1.500 e\n+1.500 \n+0.005 f" },
    };
    for (const auto& c : cases) {
        TextStamps stamps(c.mode);
        std::string out = stamps.apply("ab\ncd", t0);
        out += stamps.apply("\ne\n\n", t0 + milliseconds(1500));
        out += stamps.apply("f", t0 + milliseconds(1505));
        EXPECT_EQ(out, c.text) << int(c.mode);
    }
    EXPECT_EQ(sinceStamp(hours(1) + minutes(2) + seconds(5) + milliseconds(7)), "+3725.007");
}
