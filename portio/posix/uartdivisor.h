#pragma once

#include <cstdint>

namespace portio {

// A UART makes its rate by dividing its clock over 16 (`baudBase`) by a
// whole divisor of 1 to 65535; the serial core takes the nearest one and
// reports the rate asked for, whatever it made. The rate made for `baud`:
double uartRate(uint32_t baud, uint32_t baudBase);
// Whether that is near enough for a receiver set to `baud` (within 2%).
bool uartMakesRate(uint32_t baud, uint32_t baudBase);

} // namespace portio
