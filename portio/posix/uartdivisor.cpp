#include "uartdivisor.h"

#include <algorithm>
#include <cmath>

namespace portio {

double uartRate(uint32_t baud, uint32_t baudBase)
{
    const double divisor = std::clamp(std::round(double(baudBase) / double(baud)), 1.0, 65535.0);
    return double(baudBase) / divisor;
}

bool uartMakesRate(uint32_t baud, uint32_t baudBase)
{
    return std::abs(uartRate(baud, baudBase) - double(baud)) <= 0.02 * double(baud);
}

} // namespace portio
