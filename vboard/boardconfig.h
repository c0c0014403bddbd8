#pragma once

#include "linefaults.h"

#include "portio/porterror.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace vboard {

// How the lines of each port are connected.
enum class Wiring : uint8_t {
    Loopback, // TX to RX, RTS to CTS, DTR to DSR and DCD of the same port
    Pairs, // null modem between neighbours (index 0 with 1, 2 with 3, ...)
    Open, // nothing attached: what is sent goes nowhere, inputs stay low
};

struct BoardConfig {
    int ports = 96;
    int firstCom = 3;
    Wiring wiring = Wiring::Loopback;
    uint32_t maxBaud = 921600;
    uint32_t queueSize = 4096;
    // The engine moves characters at most this often; characters that fall
    // due in between go in one batch, so pacing stays exact on average.
    std::chrono::microseconds tick { 2000 };
    // COM numbers whose far ends are pseudo-terminals (expose=COM3-COM10);
    // 0 and 0 expose none.
    int exposeFirst = 0;
    int exposeLast = 0;
    FaultConfig faults; // none by default
};

const char* wiringName(Wiring wiring);

// Reads the value of --virtual-board: empty for the defaults, a bare wiring
// name ("pairs"), or comma-separated key=value items with the keys wiring,
// ports, first, maxbaud, queue and expose (COMn or COMn-COMm), and the faults
// noise=RATE (bit errors per bit), drop=COMn:RATE (lost bytes per byte,
// repeatable), swap=COMa:COMb, nocts=COMn (repeatable) and seed=N.
portio::Result<BoardConfig> parseBoardOption(std::string_view value);

} // namespace vboard
