#pragma once

#include "controlcodes.h"

#include "driverprotocol/records.h"

namespace driverext {

// Fills in the two words the request carries (the record's offset within the
// driver's block, 0, and its length, 481); the rest is left as it is.
inline void prepareExtraRequest(ExtraBuffer request)
{
    encodeExtraRequest(request);
}

} // namespace driverext
