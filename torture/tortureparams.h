#pragma once

#include <cstdint>

namespace torture {

// The three values that shape the next load run. They live for the whole
// process and are never saved; a running test keeps the values it started with.
struct TortureParams {
    uint32_t firstComPort = 3;
    uint32_t portCount = 96;
    uint32_t baudRate = 115200;

    bool operator==(const TortureParams&) const = default;
};

// The process-wide parameters; safe to call from any thread.
TortureParams tortureParams();
void setTortureParams(const TortureParams& params);

} // namespace torture
