#include "openabort.h"

#include "rfc2217port.h"

namespace portio {

void OpenAbort::abort()
{
    std::lock_guard lock(m_mutex);
    m_aborted = true;
    m_wake.ring();
    if (m_port) m_port->interruptStart();
}

bool OpenAbort::aborted() const
{
    std::lock_guard lock(m_mutex);
    return m_aborted;
}

void OpenAbort::attach(Rfc2217Port* port)
{
    std::lock_guard lock(m_mutex);
    m_port = port;
    if (m_port && m_aborted) m_port->interruptStart();
}

} // namespace portio
