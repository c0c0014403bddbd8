#include "portsync.h"

namespace portio {

namespace {

void ring(PortSync::Waiter& w)
{
    w.wake->ring();
    w.rung = true;
}

} // namespace

PortSync::~PortSync() = default;

bool PortSync::enter()
{
    std::lock_guard lock(m_mutex);
    if (m_closing) return false;
    ++m_inFlight;
    return true;
}

void PortSync::leave()
{
    std::lock_guard lock(m_mutex);
    if (--m_inFlight == 0) m_left.notify_all();
}

bool PortSync::closing() const
{
    std::lock_guard lock(m_mutex);
    return m_closing;
}

PortSync::Ticket PortSync::ticket(WaitKind kind) const
{
    std::lock_guard lock(m_mutex);
    return m_releases[slot(kind)];
}

int PortSync::slot(unsigned kind)
{
    return kind == WaitRead ? 0 : kind == WaitWrite ? 1 : 2;
}

void PortSync::release(unsigned kinds)
{
    std::lock_guard lock(m_mutex);
    for (unsigned kind : { WaitRead, WaitWrite, WaitEvent })
        if (kinds & kind) ++m_releases[slot(kind)];
    for (Waiter* w : m_waiters)
        if (w->kind & kinds) ring(*w);
}

void PortSync::closeAndDrain()
{
    std::unique_lock lock(m_mutex);
    m_closing = true;
    for (Waiter* w : m_waiters)
        ring(*w);
    m_left.wait(lock, [this] { return m_inFlight == 0; });
}

WaitOutcome PortSync::addWaiter(Waiter& w, Ticket ticket)
{
    std::lock_guard lock(m_mutex);
    if (m_closing || m_releases[slot(w.kind)] != ticket) return WaitOutcome::Released;
    auto wake = takeWake();
    if (!wake->status().ok()) return WaitOutcome::Failed;
    w.wake = wake.release();
    m_waiters.push_back(&w);
    return WaitOutcome::Ready;
}

void PortSync::removeWaiter(Waiter& w)
{
    std::lock_guard lock(m_mutex);
    std::erase(m_waiters, &w);
    if (w.rung) w.wake->drain();
    m_spareWakes.emplace_back(w.wake);
    w.wake = nullptr;
}

std::unique_ptr<Wake> PortSync::takeWake()
{
    if (m_spareWakes.empty()) return std::make_unique<Wake>();
    auto wake = std::move(m_spareWakes.back());
    m_spareWakes.pop_back();
    return wake;
}

PortSync::Waiting::Waiting(PortSync& sync, WaitKind kind, Ticket ticket)
    : m_sync(sync)
{
    m_waiter.kind = kind;
    m_admitted = sync.addWaiter(m_waiter, ticket);
}

PortSync::Waiting::~Waiting()
{
    if (m_admitted == WaitOutcome::Ready) m_sync.removeWaiter(m_waiter);
}

} // namespace portio
