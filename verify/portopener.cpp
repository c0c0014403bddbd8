#include "portopener.h"

#include <chrono>

namespace verify {

using namespace portio;

namespace {
// How often a wait looks at the stop flag, which nobody signals.
constexpr auto StopLook = std::chrono::milliseconds(20);
} // namespace

PortOpener::PortOpener(DeviceNamespace& ns, std::vector<std::string> names, size_t workers)
    : m_ns(ns)
    , m_names(std::move(names))
    , m_results(m_names.size())
    , m_ended(m_names.size(), 0)
{
    for (size_t i = 0; i < std::min(workers, m_names.size()); ++i)
        m_workers.emplace_back([this] { work(); });
}

PortOpener::~PortOpener()
{
    // An open that registered with its provider just after an abort would
    // wait its whole limit: those left are asked again until they end.
    std::unique_lock lock(m_mutex);
    while (abandon(lock))
        m_changed.wait_for(lock, StopLook);
    lock.unlock();
    for (auto& t : m_workers)
        t.join();
    for (auto& r : m_results)
        if (r && *r) (**r)->close();
}

void PortOpener::work()
{
    std::unique_lock lock(m_mutex);
    while (!m_abandoned && m_next < m_names.size()) {
        const size_t i = m_next++;
        lock.unlock();
        auto port = m_ns.open(m_names[i], Access::ReadWrite);
        lock.lock();
        // An open that ends after a stop (most often because the stop
        // aborted it) is not tried as far as the run is concerned.
        if (m_abandoned && port) {
            lock.unlock();
            (*port)->close();
            lock.lock();
        } else if (!m_abandoned) {
            m_results[i].emplace(std::move(port));
        }
        m_ended[i] = 1;
        ++m_done;
        m_changed.notify_all();
    }
}

bool PortOpener::wait(const std::atomic<bool>* stop)
{
    std::unique_lock lock(m_mutex);
    while (m_done < m_names.size()) {
        if (stop && stop->load()) {
            abandon(lock);
            return false;
        }
        m_changed.wait_for(lock, StopLook);
    }
    return true;
}

bool PortOpener::abandon(std::unique_lock<std::mutex>& lock)
{
    m_abandoned = true;
    std::vector<std::string> opening;
    for (size_t i = 0; i < m_next; ++i)
        if (!m_ended[i]) opening.push_back(m_names[i]);
    lock.unlock();
    // Opens waiting for remote servers end now, not when they give up.
    for (const auto& name : opening)
        m_ns.abortOpens(name);
    lock.lock();
    return !opening.empty();
}

std::optional<Result<PortPtr>> PortOpener::take(size_t i)
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_results[i], std::nullopt);
}

} // namespace verify
