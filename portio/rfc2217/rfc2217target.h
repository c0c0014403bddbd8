#pragma once

#include "portio/porterror.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace portio {

// Where a remote port is: "rfc2217://HOST:PORT", HOST a name, an IPv4
// address or an IPv6 address in brackets.
struct Rfc2217Target {
    std::string host;
    uint16_t port = 0;

    std::string text() const;
};

bool looksLikeRfc2217Target(std::string_view target);
Result<Rfc2217Target> parseRfc2217Target(std::string_view target);

} // namespace portio
