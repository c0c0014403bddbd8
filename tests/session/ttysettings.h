#pragma once

#include <cstdint>

// The line settings a tty holds, read straight from the kernel (TCGETS2), so
// that a test sees what a port was really set to. Only what a pseudo-terminal
// keeps: it always reads back 8 data bits without parity.
struct TtySettings {
    uint32_t baud = 0;
    int stopBits = 0; // 1 or 2
    bool rtsCts = false;

    bool operator==(const TtySettings&) const = default;
};

// False when the settings cannot be read.
bool readTtySettings(int fd, TtySettings& settings);
