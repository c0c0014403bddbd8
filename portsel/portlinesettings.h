#pragma once

#include <cstdint>
#include <string>

// Line settings as the port settings controls show them: the rate, the
// platform's codes for data bits, parity and stop bits, and the two
// handshakes a person can tick. Plain data, so that whoever opens the port
// needs no widget to read it.
struct LineSettingsValue {
    uint32_t baudRate = 9600;
    uint8_t dataBits = 8;
    uint8_t parityCode = 0;
    uint8_t stopBitsCode = 0;
    bool rtsCts = false;
    bool xonXoff = false;

    bool operator==(const LineSettingsValue&) const = default;
};

// What the port settings dialog takes and returns: a port and its line
// settings. "None": no port chosen.
struct PortLineSettings {
    std::string portName = "None";
    LineSettingsValue line;

    bool operator==(const PortLineSettings&) const = default;
};
