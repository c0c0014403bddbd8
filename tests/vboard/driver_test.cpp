#include "boardtesting.h"

#include "vboard/vlxcodes.h"

#include <array>

using namespace portio;
using namespace vboard;
using namespace vboardtest;

namespace {

struct Code {
    uint32_t code;
    size_t in;
    size_t out;
};

// Each code with the sizes it must be sent with.
const Code codes[] = {
    { IOCTL_VLX_SET_CUSTOM, 4, 0 },
    { IOCTL_VLX_RESET_CUSTOM, 4, 0 },
    { IOCTL_VLX_SET_PROTOCOL, 2, 0 },
    { IOCTL_VLX_GET_EXTRA, 486, 486 },
    { IOCTL_VLX_GET_LAST_READ_RESULT, 3, 1 },
    { IOCTL_VLX_GET_LAST_READ_RESULT2, 3, 1 },
    { IOCTL_VLX_FIRMWARE_RESET, 3, 1 },
    { IOCTL_VLX_DUMP_UART, 3, 1 },
};

std::array<uint8_t, ExtraBufferSize> extraRequest()
{
    std::array<uint8_t, ExtraBufferSize> b {};
    b[2] = ExtraRecordSize & 0xFF;
    b[3] = ExtraRecordSize >> 8;
    return b;
}

class BoardDriver : public ::testing::Test {
protected:
    Status call(uint32_t code, const void* in, size_t inLen, void* out, size_t outLen, uint32_t* n = nullptr)
    {
        return port->deviceControl(code, in, inLen, out, outLen, n);
    }
    std::array<uint8_t, ExtraBufferSize> getExtra()
    {
        auto req = extraRequest();
        std::array<uint8_t, ExtraBufferSize> reply {};
        uint32_t n = 0;
        EXPECT_FALSE(call(IOCTL_VLX_GET_EXTRA, req.data(), req.size(), reply.data(), reply.size(), &n));
        EXPECT_EQ(n, ExtraBufferSize);
        return reply;
    }
    uint8_t result(uint32_t code)
    {
        uint8_t in[3] {}, out = 13;
        EXPECT_FALSE(call(code, in, 3, &out, 1));
        return out;
    }

    VirtualBoard board;
    PortPtr port = openPort(board, 0);
};

} // namespace

TEST_F(BoardDriver, AcceptsEachCodeOnlyWithItsSizes)
{
    std::vector<uint8_t> in(600, 0), out(600, 0);
    in[0] = 'N';
    in[2] = ExtraRecordSize & 0xFF;
    in[3] = ExtraRecordSize >> 8;
    for (const Code& c : codes) {
        EXPECT_FALSE(call(c.code, in.data(), c.in, out.data(), c.out)) << std::hex << c.code;
        EXPECT_EQ(call(c.code, in.data(), c.in + 1, out.data(), c.out).code, ErrorCode::InvalidArgument);
        EXPECT_EQ(call(c.code, in.data(), c.in, out.data(), c.out + 1).code, ErrorCode::InvalidArgument);
        if (c.code != IOCTL_VLX_SET_PROTOCOL) { // it takes the letter alone as well
            EXPECT_EQ(call(c.code, in.data(), c.in - 1, out.data(), c.out).code, ErrorCode::InvalidArgument);
        }
    }
    EXPECT_FALSE(call(IOCTL_VLX_SET_PROTOCOL, in.data(), 1, nullptr, 0)) << "the letter alone is fine too";
    EXPECT_FALSE(call(IOCTL_VLX_SET_EXTRA, in.data(), ExtraBufferSize, nullptr, 0));
    EXPECT_EQ(call(IOCTL_VLX_SET_EXTRA, in.data(), ExtraBufferSize, out.data(), 1).code, ErrorCode::InvalidArgument);
    EXPECT_EQ(call(IOCTL_VLX_GET_EXTRA, nullptr, ExtraBufferSize, out.data(), ExtraBufferSize).code,
        ErrorCode::InvalidArgument);
    EXPECT_EQ(call(0x001B2008, in.data(), 4, nullptr, 0).code, ErrorCode::NotSupported);
}

TEST_F(BoardDriver, ExtraRecordRoundTripsAndFirmwareResetRestoresIt)
{
    auto reply = getExtra();
    EXPECT_EQ(reply[0] | reply[1] << 8, ExtraRecordVersion);
    EXPECT_EQ(reply[2] | reply[3] << 8, int(ExtraRecordSize));
    const auto factory = StandInDriver::defaultRecord();
    EXPECT_TRUE(std::equal(factory.begin(), factory.end(), reply.begin() + ExtraRecordOffset));
    EXPECT_EQ(std::count(factory.begin(), factory.end(), 0), 0) << "no zero byte: a cleared byte stands out";

    reply[ExtraRecordOffset + 34] = 0x10;
    reply[ExtraRecordOffset + 480] = 0x77;
    ASSERT_FALSE(call(IOCTL_VLX_SET_EXTRA, reply.data(), reply.size(), nullptr, 0));
    EXPECT_EQ(getExtra(), reply);

    uint8_t in[3] {}, out = 13;
    ASSERT_FALSE(call(IOCTL_VLX_FIRMWARE_RESET, in, 3, &out, 1));
    const auto after = getExtra();
    EXPECT_TRUE(std::equal(factory.begin(), factory.end(), after.begin() + ExtraRecordOffset));

    auto wrongLength = reply;
    wrongLength[2] = 0;
    EXPECT_EQ(
        call(IOCTL_VLX_SET_EXTRA, wrongLength.data(), wrongLength.size(), nullptr, 0).code, ErrorCode::InvalidArgument);
}

TEST_F(BoardDriver, ResultsFollowCustomModeAndTraffic)
{
    EXPECT_EQ(result(IOCTL_VLX_GET_LAST_READ_RESULT), 0) << "custom mode is off";
    uint8_t four[4] {};
    const uint8_t letter[2] = { 'N', 0 };
    ASSERT_FALSE(call(IOCTL_VLX_SET_CUSTOM, four, 4, nullptr, 0));
    ASSERT_FALSE(call(IOCTL_VLX_SET_PROTOCOL, letter, 2, nullptr, 0));
    std::vector<uint8_t> bytes(300, 'x');
    board.injectReceived(0, bytes.data(), bytes.size());
    EXPECT_EQ(result(IOCTL_VLX_GET_LAST_READ_RESULT), 'N');
    EXPECT_EQ(result(IOCTL_VLX_GET_LAST_READ_RESULT2), 300 % 256);
    ASSERT_FALSE(call(IOCTL_VLX_RESET_CUSTOM, four, 4, nullptr, 0));
    EXPECT_FALSE(board.driverState(0).customMode());
    EXPECT_EQ(result(IOCTL_VLX_GET_LAST_READ_RESULT), 0);
    const uint8_t badLetter[2] = { 'D', 1 };
    EXPECT_EQ(call(IOCTL_VLX_SET_PROTOCOL, badLetter, 2, nullptr, 0).code, ErrorCode::InvalidArgument);
}

TEST_F(BoardDriver, RequestLogShowsExactlyWhatWasSentAndAnswered)
{
    board.clearRequests(0);
    const uint8_t letter[2] = { 'D', 0 };
    ASSERT_FALSE(call(IOCTL_VLX_SET_PROTOCOL, letter, 2, nullptr, 0));
    uint8_t in[3] = { 1, 2, 3 }, out = 13;
    board.failNextRequests(0);
    EXPECT_EQ(call(IOCTL_VLX_GET_LAST_READ_RESULT2, in, 3, &out, 1).code, ErrorCode::OsFailure);
    EXPECT_EQ(out, 13) << "a failed request writes nothing";
    ASSERT_FALSE(call(IOCTL_VLX_GET_LAST_READ_RESULT2, in, 3, &out, 1));

    const auto log = board.requests(0);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].code, IOCTL_VLX_SET_PROTOCOL);
    EXPECT_EQ(log[0].input, (std::vector<uint8_t> { 'D', 0 }));
    EXPECT_EQ(log[0].outputSize, 0u);
    EXPECT_TRUE(log[0].result.ok());
    EXPECT_EQ(log[1].input, (std::vector<uint8_t> { 1, 2, 3 }));
    EXPECT_EQ(log[1].result.code, ErrorCode::OsFailure);
    EXPECT_TRUE(log[1].output.empty());
    EXPECT_EQ(log[2].outputSize, 1u);
    EXPECT_EQ(log[2].output, std::vector<uint8_t> { 0 });
    EXPECT_EQ(board.driverState(0).protocol(), 'D');
}

TEST_F(BoardDriver, DumpUartWritesTheRegistersToTheDebugSink)
{
    std::vector<std::string> lines;
    board.setDebugSink([&](std::string s) {
        lines.push_back(std::move(s));
        board.injectErrors(0, 0); // the sink may call back into the board
    });
    auto d = line(57600);
    d.Parity = EVENPARITY;
    d.ByteSize = 7;
    ASSERT_FALSE(port->setState(d));
    uint8_t in[3] {}, out = 13;
    ASSERT_FALSE(call(IOCTL_VLX_DUMP_UART, in, 3, &out, 1));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("COM3: 57600 7E1"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("DTR=1 RTS=1 CTS=1 DSR=1 DCD=1"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("in=0/4096"), std::string::npos) << lines[0];
}
