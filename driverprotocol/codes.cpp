#include "codes.h"

namespace driverprotocol {

const CodeLayout* findCodeLayout(uint32_t value)
{
    for (const CodeLayout& layout : allCodeLayouts) {
        if (layout.value == value) return &layout;
    }
    return nullptr;
}

} // namespace driverprotocol
