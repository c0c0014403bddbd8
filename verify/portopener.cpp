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
{
    for (size_t i = 0; i < std::min(workers, m_names.size()); ++i)
        m_workers.emplace_back([this] { work(); });
}

PortOpener::~PortOpener()
{
    {
        std::lock_guard lock(m_mutex);
        m_abandoned = true;
    }
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
        m_results[i].emplace(std::move(port));
        ++m_done;
        m_changed.notify_all();
    }
}

bool PortOpener::wait(const std::atomic<bool>* stop)
{
    std::unique_lock lock(m_mutex);
    while (m_done < m_names.size()) {
        if (stop && stop->load()) {
            m_abandoned = true;
            return false;
        }
        m_changed.wait_for(lock, StopLook);
    }
    return true;
}

std::optional<Result<PortPtr>> PortOpener::take(size_t i)
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_results[i], std::nullopt);
}

} // namespace verify
