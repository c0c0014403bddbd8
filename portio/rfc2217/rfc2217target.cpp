#include "rfc2217target.h"

#include <cctype>
#include <charconv>

namespace portio {

namespace {

constexpr std::string_view kScheme = "rfc2217://";

PortError malformed(std::string_view target, const char* why)
{
    return makeError(ErrorCode::InvalidArgument,
        "\"" + std::string(target) + "\" is not a remote port (rfc2217://HOST:PORT): " + why);
}

bool validHost(std::string_view host)
{
    for (char c : host)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == ':' || c == '_'))
            return false;
    return !host.empty();
}

} // namespace

std::string Rfc2217Target::text() const
{
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

bool looksLikeRfc2217Target(std::string_view target)
{
    if (target.size() < kScheme.size()) return false;
    for (size_t i = 0; i < kScheme.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(target[i])) != kScheme[i]) return false;
    return true;
}

Result<Rfc2217Target> parseRfc2217Target(std::string_view target)
{
    if (!looksLikeRfc2217Target(target)) return malformed(target, "no rfc2217:// at the start");
    std::string_view rest = target.substr(kScheme.size());
    const auto colon = rest.rfind(':');
    if (colon == std::string_view::npos) return malformed(target, "no port number");
    std::string_view host = rest.substr(0, colon);
    const std::string_view portText = rest.substr(colon + 1);
    if (host.starts_with('[') && host.ends_with(']'))
        host = host.substr(1, host.size() - 2);
    else if (host.find(':') != std::string_view::npos)
        return malformed(target, "an IPv6 address goes in brackets");
    if (!validHost(host)) return malformed(target, "no valid host name");
    unsigned port = 0;
    const auto [end, ec] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (ec != std::errc() || end != portText.data() + portText.size() || port == 0 || port > 65535)
        return malformed(target, "the port must be a number from 1 to 65535");
    return Rfc2217Target { std::string(host), uint16_t(port) };
}

} // namespace portio
