#include "rfc2217provider.h"

#include "rfc2217port.h"

#include <algorithm>

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
    OpenAbort abort;
    {
        std::lock_guard lock(m_mutex);
        m_opening.push_back({ std::string(target), &abort });
    }
    auto port = Rfc2217Port::open(*parsed, access, purpose, &abort);
    std::lock_guard lock(m_mutex);
    std::erase_if(m_opening, [&abort](const Opening& o) { return o.abort == &abort; });
    return port;
}

void Rfc2217Provider::abortOpens(std::string_view target)
{
    std::lock_guard lock(m_mutex);
    for (const Opening& o : m_opening)
        if (o.target == target) o.abort->abort();
}

} // namespace portio
