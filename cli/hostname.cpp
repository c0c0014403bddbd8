#include "hostname.h"

#include <unistd.h>

namespace cli {

std::string hostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

} // namespace cli
