#include "linestate.h"

namespace linestatus {

const char* levelName(Level level)
{
    switch (level) {
    case Level::Low:
        return "low";
    case Level::High:
        return "high";
    default:
        return "unavailable";
    }
}

} // namespace linestatus
