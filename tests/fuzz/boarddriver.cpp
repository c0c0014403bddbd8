// Driver requests to a port of the virtual board: any code, any buffer sizes,
// missing buffers and any contents. The port must answer every one, log it as
// received, never write past the output buffer, and keep the extra record as
// the last accepted set-extra left it.
#include "vboard/virtualboard.h"
#include "vboard/vlxcodes.h"

#include "portio/commtypes.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

using namespace vboard;

namespace {

struct Bench {
    VirtualBoard board { BoardConfig { .ports = 2 } };
    portio::PortPtr port;
};

Bench* g_bench = nullptr;

constexpr uint32_t VlxCodes[] = { IOCTL_VLX_SET_CUSTOM, IOCTL_VLX_RESET_CUSTOM, IOCTL_VLX_SET_PROTOCOL,
    IOCTL_VLX_SET_EXTRA, IOCTL_VLX_GET_EXTRA, IOCTL_VLX_GET_LAST_READ_RESULT, IOCTL_VLX_GET_LAST_READ_RESULT2,
    IOCTL_VLX_FIRMWARE_RESET, IOCTL_VLX_DUMP_UART };
constexpr uint32_t ModemCodes[] = { portio::IOCTL_SERIAL_SET_RTS, portio::IOCTL_SERIAL_CLR_RTS,
    portio::IOCTL_SERIAL_SET_DTR, portio::IOCTL_SERIAL_CLR_DTR };

bool isModemCode(uint32_t code)
{
    return std::find(std::begin(ModemCodes), std::end(ModemCodes), code) != std::end(ModemCodes);
}

void trapUnless(bool condition)
{
    if (!condition) __builtin_trap();
}

struct Request {
    uint32_t code = 0;
    std::vector<uint8_t> in, out;
    bool nullIn = false, nullOut = false, countReturned = true;
};

class Session {
public:
    explicit Session(FuzzedDataProvider& in)
        : m_in(in)
    {
    }

    void step()
    {
        if (!m_faultInjected && m_in.ConsumeIntegralInRange(0, 15) == 0) {
            g_bench->board.failNextRequests(0, 1);
            m_faultInjected = true;
            return;
        }
        Request r = request();
        send(r);
    }

private:
    uint32_t code()
    {
        const size_t pick = m_in.ConsumeIntegralInRange<size_t>(0, std::size(VlxCodes) + std::size(ModemCodes));
        if (pick < std::size(VlxCodes)) return VlxCodes[pick];
        if (pick - std::size(VlxCodes) < std::size(ModemCodes)) return ModemCodes[pick - std::size(VlxCodes)];
        return m_in.ConsumeIntegral<uint32_t>();
    }

    // The sizes the driver knows, their neighbours, or anything up to 2 KiB.
    size_t length()
    {
        constexpr size_t near[] = { 0, 1, 2, 3, 4, 5, 485, 486, 487 };
        const size_t pick = m_in.ConsumeIntegralInRange<size_t>(0, std::size(near));
        return pick < std::size(near) ? near[pick] : m_in.ConsumeIntegralInRange<size_t>(0, 2048);
    }

    Request request()
    {
        Request r;
        r.code = code();
        r.in.resize(length());
        r.out.assign(length(), 0xA5);
        const auto bytes = m_in.ConsumeBytes<uint8_t>(r.in.size());
        std::copy(bytes.begin(), bytes.end(), r.in.begin());
        // A record header that announces the right size, so contents get through.
        if (r.in.size() >= 4 && m_in.ConsumeBool()) {
            r.in[2] = uint8_t(ExtraRecordSize);
            r.in[3] = uint8_t(ExtraRecordSize >> 8);
        }
        const uint8_t flags = m_in.ConsumeIntegral<uint8_t>();
        r.nullIn = (flags & 0x07) == 0;
        r.nullOut = (flags & 0x38) == 0;
        r.countReturned = (flags & 0x40) == 0;
        return r;
    }

    void send(Request& r)
    {
        const size_t logged = g_bench->board.requests(0).size();
        uint32_t returned = 0xFFFFFFFF;
        const auto status = g_bench->port->deviceControl(r.code, r.nullIn ? nullptr : r.in.data(), r.in.size(),
            r.nullOut ? nullptr : r.out.data(), r.out.size(), r.countReturned ? &returned : nullptr);
        if (r.countReturned) {
            trapUnless(returned <= r.out.size());
            trapUnless(status.ok() || returned == 0);
        }
        if (!isModemCode(r.code)) checkLogged(r, status, logged);
        if (status.ok()) follow(r, returned);
    }

    void checkLogged(const Request& r, const portio::Status& status, size_t before)
    {
        const auto log = g_bench->board.requests(0);
        trapUnless(log.size() == before + 1);
        const DriverRequest& last = log.back();
        trapUnless(last.code == r.code && last.outputSize == r.out.size() && last.result.code == status.code);
        trapUnless(r.nullIn || last.input == r.in);
        trapUnless(last.output.size() <= r.out.size());
    }

    void follow(const Request& r, uint32_t returned)
    {
        if (r.code == IOCTL_VLX_SET_EXTRA)
            std::copy_n(r.in.begin() + ExtraRecordOffset, ExtraRecordSize, m_record.begin());
        else if (r.code == IOCTL_VLX_FIRMWARE_RESET)
            m_record = StandInDriver::defaultRecord();
        else if (r.code == IOCTL_VLX_GET_EXTRA)
            checkExtra(r, returned);
    }

    void checkExtra(const Request& r, uint32_t returned)
    {
        trapUnless(r.out.size() == ExtraBufferSize);
        trapUnless(!r.countReturned || returned == ExtraBufferSize);
        trapUnless(r.out[0] == uint8_t(ExtraRecordVersion) && r.out[1] == uint8_t(ExtraRecordVersion >> 8));
        trapUnless(r.out[2] == uint8_t(ExtraRecordSize) && r.out[3] == uint8_t(ExtraRecordSize >> 8));
        trapUnless(std::equal(m_record.begin(), m_record.end(), r.out.begin() + ExtraRecordOffset));
    }

    FuzzedDataProvider& m_in;
    StandInDriver::Record m_record = StandInDriver::defaultRecord();
    bool m_faultInjected = false;
};

// Starts every input from the same driver state: a fault left over from the
// last input is used up first, then the firmware is reset.
void resetPort()
{
    std::array<uint8_t, 3> in {};
    uint8_t out = 0;
    g_bench->port->deviceControl(IOCTL_VLX_GET_LAST_READ_RESULT, in.data(), in.size(), &out, 1);
    if (!g_bench->port->deviceControl(IOCTL_VLX_FIRMWARE_RESET, in.data(), in.size(), &out, 1).ok()) __builtin_trap();
    g_bench->board.clearRequests(0);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static Bench bench;
    auto port = bench.board.open(0, portio::Access::ReadWrite);
    if (!port) __builtin_trap();
    bench.port = std::move(*port);
    bench.board.setDebugSink([](std::string text) { trapUnless(!text.empty()); });
    g_bench = &bench;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    resetPort();
    FuzzedDataProvider in(data, size);
    Session session(in);
    for (int i = 0; i < 32 && in.remaining_bytes() > 0; ++i)
        session.step();
    return 0;
}
