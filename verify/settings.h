#pragma once

#include "portio/commtypes.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace verify {

enum class Flow : uint8_t { None, RtsCts, XonXoff };
// Skip: the cable carries no modem lines (three wires, a chardev).
enum class ModemLines : uint8_t { Check, Skip };

struct LineSettings {
    uint32_t baud = 115200;
    uint8_t dataBits = 8;
    uint8_t parity = portio::NOPARITY;
    uint8_t stopBits = portio::ONESTOPBIT;
    Flow flow = Flow::None;
};

struct VerifySettings {
    LineSettings line;
    std::string wiring = "loopback"; // as given: loopback, pairs or a list of pairs
    // The run sends for this long, or this many bytes per port.
    std::optional<std::chrono::milliseconds> duration;
    std::optional<uint64_t> bytes;
    double minRate = 0.9; // of line rate; 0: not checked
    std::chrono::milliseconds drainTimeout { 2000 };
    ModemLines modemLines = ModemLines::Check;
    std::chrono::milliseconds modemTimeout { 500 };
    int latencySamples = 20;
    std::chrono::milliseconds latencyTimeout { 1000 }; // for one byte to come back
    // Mixed into the pattern; none lets the run draw one of its own (tests
    // give one, for the same bytes every time).
    std::optional<uint64_t> runKey;
};

// The settings a port gets: the line's framing and flow control, DTR and RTS
// on (unless RTS is the handshake line).
portio::Dcb toDcb(const LineSettings& line);
// Bits one character takes on the line: start, data, parity, stop.
double bitsPerCharacter(const LineSettings& line);
double charactersPerSecond(const LineSettings& line);

const char* parityName(uint8_t parity);
const char* stopBitsName(uint8_t stopBits);
const char* flowName(Flow flow);
const char* modemLinesName(ModemLines choice);

} // namespace verify
