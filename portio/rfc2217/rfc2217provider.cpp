#include "rfc2217provider.h"

#include "rfc2217port.h"

namespace portio {

bool Rfc2217Provider::owns(std::string_view target) const
{
    return looksLikeRfc2217Target(target);
}

Status Rfc2217Provider::checkTarget(std::string_view target) const
{
    auto parsed = parseRfc2217Target(target);
    return parsed ? okStatus() : parsed.error();
}

Result<PortPtr> Rfc2217Provider::open(std::string_view target, Access access, OpenPurpose purpose)
{
    auto parsed = parseRfc2217Target(target);
    if (!parsed) return parsed.error();
    return Rfc2217Port::open(*parsed, access, purpose);
}

} // namespace portio
