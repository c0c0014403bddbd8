#include "boardfixture.h"
#include "expectedrecord.h"

#include "driverext/controlcodes.h"
#include "driverext/drivercommands.h"

#include <gtest/gtest.h>

using namespace driverext;

namespace {

using Requests = std::vector<vboard::DriverRequest>;
using Bytes = std::vector<uint8_t>;

std::vector<uint32_t> codesOf(const Requests& log)
{
    std::vector<uint32_t> codes;
    for (const auto& r : log)
        codes.push_back(r.code);
    return codes;
}

// What went back with SET_EXTRA against what GET_EXTRA returned: the profile's
// bytes as listed, every other byte (header, spare byte, unnamed record bytes)
// exactly as returned.
void checkSentRecord(const Requests& log, const RecordBytes& expected)
{
    ASSERT_EQ(log.size(), 4u);
    const Bytes& returned = log[0].output;
    const Bytes& sent = log[1].input;
    ASSERT_EQ(returned.size(), EXTRA_BUFFER_SIZE);
    ASSERT_EQ(sent.size(), EXTRA_BUFFER_SIZE);
    for (size_t i = 0; i < EXTRA_BUFFER_SIZE; ++i) {
        const bool inRecord = i >= VLX_EXTRA_OFFSET && i < VLX_EXTRA_OFFSET + VLX_EXTRA_SIZE;
        const auto it = inRecord ? expected.find(i - VLX_EXTRA_OFFSET) : expected.end();
        const uint8_t want = it != expected.end() ? it->second : returned[i];
        EXPECT_EQ(int(sent[i]), int(want)) << "buffer byte " << i;
    }
}

void checkSequenceShape(const Requests& log, const Bytes& letter)
{
    const std::vector<uint32_t> order { IOCTL_VLX_GET_EXTRA, IOCTL_VLX_SET_EXTRA, IOCTL_VLX_SET_CUSTOM,
        IOCTL_VLX_SET_PROTOCOL };
    ASSERT_EQ(codesOf(log), order);
    EXPECT_EQ(log[0].input.size(), EXTRA_BUFFER_SIZE);
    EXPECT_EQ(log[0].outputSize, EXTRA_BUFFER_SIZE);
    EXPECT_EQ(log[1].outputSize, 0u);
    EXPECT_EQ(log[2].input.size(), CUSTOM_INPUT_SIZE);
    EXPECT_EQ(log[2].outputSize, 0u);
    EXPECT_EQ(log[3].input, letter);
    EXPECT_EQ(log[3].outputSize, 0u);
    for (const auto& r : log)
        EXPECT_TRUE(r.result.ok()) << r.code << ": " << r.result.text;
}

class BoardRequests : public BoardFixture { };

TEST_F(BoardRequests, ProfileNGoesOutByteForByteWithLetterAndZero)
{
    portio::PortPtr port = openCom(0);
    ASSERT_TRUE(port);
    installProfileN(*port, m_shown.sink());
    EXPECT_TRUE(m_shown.texts.empty());
    const Requests log = requests(0);
    checkSequenceShape(log, { 'N', 0 });
    checkSentRecord(log, expectedProfileN());
    EXPECT_TRUE(m_board->driverState(0).customMode());
    EXPECT_EQ(m_board->driverState(0).protocol(), 'N');
}

TEST_F(BoardRequests, ProfileDGoesOutByteForByteWithLetterAndZero)
{
    portio::PortPtr port = openCom(1);
    ASSERT_TRUE(port);
    installProfileD(*port, m_shown.sink());
    EXPECT_TRUE(m_shown.texts.empty());
    const Requests log = requests(1);
    checkSequenceShape(log, { 'D', 0 });
    checkSentRecord(log, expectedProfileD());
    EXPECT_EQ(m_board->driverState(1).protocol(), 'D');
}

TEST_F(BoardRequests, ExtraRequestAnnouncesOffsetZeroAndLength481)
{
    portio::PortPtr port = openCom(0);
    ASSERT_TRUE(port);
    installProfileN(*port, m_shown.sink());
    const Requests log = requests(0);
    ASSERT_FALSE(log.empty());
    ASSERT_GE(log[0].input.size(), 4u);
    EXPECT_EQ(Bytes(log[0].input.begin(), log[0].input.begin() + 4), (Bytes { 0x00, 0x00, 0xE1, 0x01 }));
}

TEST_F(BoardRequests, EveryFailingStepIsReportedAndTheSequenceGoesOn)
{
    portio::PortPtr port = openCom(0);
    ASSERT_TRUE(port);
    m_board->failNextRequests(0, 4);
    installProfileD(*port, m_shown.sink());
    EXPECT_EQ(m_shown.texts,
        (std::vector<std::string> { "GetExtra failed", "SetExtra failed", "SetCustom failed", "SetProtocol failed" }));
    EXPECT_EQ(requests(0).size(), 4u);
}

TEST_F(BoardRequests, MissingBuffersAreReportedAndNoRequestIsMade)
{
    portio::PortPtr port = openCom(0);
    ASSERT_TRUE(port);
    SetupOptions noMemory;
    noMemory.allocator = [](size_t) { return std::unique_ptr<uint8_t[]>(); };
    installProfileN(*port, m_shown.sink(), noMemory);
    EXPECT_EQ(m_shown.texts, (std::vector<std::string> { "malloc failed", "malloc failed" }));
    EXPECT_TRUE(requests(0).empty());
}

TEST_F(BoardRequests, ResetCustomLeavesCustomMode)
{
    portio::PortPtr port = openCom(0);
    ASSERT_TRUE(port);
    installProfileN(*port, m_shown.sink());
    m_board->clearRequests(0);
    resetCustom(*port, m_shown.sink());
    const Requests log = requests(0);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].code, IOCTL_VLX_RESET_CUSTOM);
    EXPECT_EQ(log[0].input.size(), CUSTOM_INPUT_SIZE);
    EXPECT_FALSE(m_board->driverState(0).customMode());
    EXPECT_TRUE(m_shown.texts.empty());
    m_board->failNextRequests(0, 1);
    resetCustom(*port, m_shown.sink());
    EXPECT_EQ(m_shown.texts, (std::vector<std::string> { "Reset Custom failed" }));
}

TEST_F(BoardRequests, ResultQueriesShowTheDriversByteInDecimal)
{
    portio::PortPtr port = openCom(0);
    ASSERT_TRUE(port);
    showLastReadResult(*port, m_shown.sink());
    showLastReadResult2(*port, m_shown.sink());
    const Requests log = requests(0);
    ASSERT_EQ(
        codesOf(log), (std::vector<uint32_t> { IOCTL_VLX_GET_LAST_READ_RESULT, IOCTL_VLX_GET_LAST_READ_RESULT2 }));
    ASSERT_EQ(log[0].output.size(), 1u);
    ASSERT_EQ(log[1].output.size(), 1u);
    EXPECT_EQ(m_shown.texts,
        (std::vector<std::string> { std::to_string(log[0].output[0]), std::to_string(log[1].output[0]) }));
    EXPECT_EQ(log[0].input.size(), QUERY_INPUT_SIZE);
}

TEST_F(BoardRequests, FirmwareResetAndDumpShowTheirNoticeWhetherOrNotTheDriverTookThem)
{
    portio::PortPtr port = openCom(0);
    ASSERT_TRUE(port);
    firmwareReset(*port, m_shown.sink());
    dumpUart(*port, m_shown.sink());
    m_board->failNextRequests(0, 2);
    firmwareReset(*port, m_shown.sink());
    dumpUart(*port, m_shown.sink());
    EXPECT_EQ(m_shown.texts,
        (std::vector<std::string> { "If active, the vldrv330 driver will restart the firmware...",
            "If active, the vldrv330 driver will dump the uart...", "VL330 firmware reset failed",
            "If active, the vldrv330 driver will restart the firmware...", "VL330 dump uart failed",
            "If active, the vldrv330 driver will dump the uart..." }));
    EXPECT_EQ(codesOf(requests(0)),
        (std::vector<uint32_t> {
            IOCTL_VLX_FIRMWARE_RESET, IOCTL_VLX_DUMP_UART, IOCTL_VLX_FIRMWARE_RESET, IOCTL_VLX_DUMP_UART }));
}

TEST_F(BoardRequests, AliasNamesTheSameDeviceAsItsSource)
{
    ASSERT_TRUE(m_devices.define(ALIAS_SOURCE, vboard::VirtualBoard::target(2)).ok());
    defineAlias(m_devices, m_shown.sink());
    EXPECT_TRUE(m_shown.texts.empty());
    const auto alias = m_devices.query(ALIAS_NAME);
    ASSERT_TRUE(alias.ok());
    EXPECT_EQ(alias.value(), vboard::VirtualBoard::target(2));
}

TEST_F(BoardRequests, AliasOfAnUndefinedSourceIsAnError)
{
    defineAlias(m_devices, m_shown.sink());
    EXPECT_EQ(m_shown.texts, (std::vector<std::string> { "Error defining DosDevice" }));
    EXPECT_FALSE(m_devices.query(ALIAS_NAME).ok());
}

} // namespace
