#include "controlcodes.h"

namespace driverext {

const ControlCode* findControlCode(uint32_t value)
{
    for (const ControlCode& code : allControlCodes) {
        if (code.value == value) return &code;
    }
    return nullptr;
}

} // namespace driverext
