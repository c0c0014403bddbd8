#include "win32sync.h"

#include <algorithm>

namespace portio {

int Win32Sync::slot(unsigned kind)
{
    return kind == WaitRead ? 0 : kind == WaitWrite ? 1 : 2;
}

bool Win32Sync::enter()
{
    std::lock_guard lock(m_mutex);
    if (m_closing) return false;
    ++m_inFlight;
    return true;
}

void Win32Sync::leave()
{
    std::lock_guard lock(m_mutex);
    if (--m_inFlight == 0) m_left.notify_all();
}

bool Win32Sync::closing() const
{
    std::lock_guard lock(m_mutex);
    return m_closing;
}

Win32Sync::Ticket Win32Sync::ticket(WaitKind kind) const
{
    std::lock_guard lock(m_mutex);
    return m_releases[slot(kind)];
}

void Win32Sync::arm(OverlappedCall& call, WaitKind kind, Ticket ticket)
{
    std::lock_guard lock(m_mutex);
    const bool late = m_closing || m_releases[slot(kind)] != ticket;
    m_armed.push_back({ &call, kind, late });
    // Cancelled under the lock, so that disarm() cannot end the call first.
    if (late) call.cancel();
}

bool Win32Sync::disarm(OverlappedCall& call)
{
    std::lock_guard lock(m_mutex);
    const auto it = std::find_if(m_armed.begin(), m_armed.end(), [&](const Armed& a) { return a.call == &call; });
    if (it == m_armed.end()) return false;
    const bool released = it->released;
    m_armed.erase(it);
    return released;
}

bool Win32Sync::released(const OverlappedCall& call) const
{
    std::lock_guard lock(m_mutex);
    const auto it = std::find_if(m_armed.begin(), m_armed.end(), [&](const Armed& a) { return a.call == &call; });
    return it != m_armed.end() && it->released;
}

void Win32Sync::release(unsigned kinds)
{
    std::lock_guard lock(m_mutex);
    for (unsigned k : { unsigned(WaitRead), unsigned(WaitWrite), unsigned(WaitEvent) })
        if (kinds & k) ++m_releases[slot(k)];
    for (auto& a : m_armed) {
        if (!(kinds & a.kind) || a.released) continue;
        a.released = true;
        a.call->cancel();
    }
}

void Win32Sync::closeAndDrain()
{
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    release(WaitAll);
    std::unique_lock lock(m_mutex);
    m_left.wait(lock, [this] { return m_inFlight == 0; });
}

} // namespace portio
