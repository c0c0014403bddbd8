#pragma once

#include "portio/porterror.h"
#include "portio/timeouts.h"

#include <cstdint>
#include <string>

namespace portio {

// A connected, non-blocking TCP socket to host:port, or the reason there is
// none (name unknown, refused, no answer before the deadline).
Result<int> connectTcp(const std::string& host, uint16_t port, Clock::time_point deadline);

} // namespace portio
