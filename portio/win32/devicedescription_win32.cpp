// Windows: a COM port's friendly name would come from SetupAPI; until that is
// built, a port shows its COM name and path only.
#include "portio/portdescription.h"

namespace portio {

PortDescription describeDeviceNode(const std::string&)
{
    return {};
}

} // namespace portio
