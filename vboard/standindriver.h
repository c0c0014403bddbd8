#pragma once

#include "vlxcodes.h"

#include "portio/porterror.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace vboard {

// One request as the port received it, for tests to check what was sent.
struct DriverRequest {
    uint32_t code = 0;
    std::vector<uint8_t> input;
    size_t outputSize = 0;
    std::vector<uint8_t> output; // the bytes the driver wrote back
    portio::PortError result;
};

// The per-port state of the board driver and the nine requests it knows.
// Every request must come with exactly its buffer sizes in both directions.
class StandInDriver {
public:
    using Record = std::array<uint8_t, ExtraRecordSize>;

    StandInDriver();

    // `dumpUart` writes the port's registers to the board's debug sink.
    portio::Status handle(uint32_t code, const uint8_t* in, size_t inLen, uint8_t* out, size_t outLen,
        uint32_t& bytesReturned, const std::function<void()>& dumpUart);

    // Bytes that arrived on the port; counted while custom mode is on.
    void noteReceived(size_t n);

    static Record defaultRecord();
    const Record& record() const { return m_record; }
    bool customMode() const { return m_custom; }
    uint8_t protocol() const { return m_protocol; }
    uint8_t result1() const;
    uint8_t result2() const { return uint8_t(m_customReceived); }

private:
    portio::Status carryOut(uint32_t code, const uint8_t* in, size_t inLen, uint8_t* out, uint32_t& bytesReturned,
        const std::function<void()>& dumpUart);
    portio::Status setProtocol(const uint8_t* in, size_t inLen);
    portio::Status setExtra(const uint8_t* in);
    void getExtra(uint8_t* out) const;

    Record m_record;
    bool m_custom = false;
    uint8_t m_protocol = 0;
    uint64_t m_customReceived = 0;
};

} // namespace vboard
