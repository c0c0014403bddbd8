#include "devicewatch.h"

#include "portio/portdescription.h"

#include <algorithm>
#include <sys/stat.h>
#include <utility>

namespace linestatus {

DeviceWatch::DeviceWatch(std::string path, Listener listener, std::chrono::milliseconds interval)
    : m_path(std::move(path))
    , m_listener(std::move(listener))
    , m_interval(interval)
    , m_serial(portio::describePort(m_path).serial)
{
    const Node node = look();
    m_device = node.device;
    if (node.there) m_thread = std::thread([this] { run(); });
}

DeviceWatch::~DeviceWatch()
{
    stop();
}

void DeviceWatch::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

bool DeviceWatch::present() const
{
    std::lock_guard lock(m_mutex);
    return m_present;
}

// The node as it is now; a node that another device took over (its serial
// differs) counts as not there.
DeviceWatch::Node DeviceWatch::look() const
{
    struct stat st { };
    if (::stat(m_path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return {};
    if (!m_serial.empty() && portio::describePort(m_path).serial != m_serial) return {};
    return { true, st.st_rdev };
}

void DeviceWatch::noteError(const portio::PortError& error)
{
    if (error.code != portio::ErrorCode::DeviceGone) return;
    {
        std::lock_guard lock(m_mutex);
        if (!m_present) return;
        m_present = false;
        m_sawAbsent = false;
        m_tellGone = true;
    }
    m_wake.notify_all();
}

void DeviceWatch::retryBack(std::chrono::milliseconds after)
{
    {
        std::lock_guard lock(m_mutex);
        m_retryAt = std::chrono::steady_clock::now() + after;
    }
    m_wake.notify_all();
}

void DeviceWatch::run()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        const auto next = std::chrono::steady_clock::now() + m_interval;
        m_wake.wait_until(lock, m_retryAt ? std::min(next, *m_retryAt) : next);
        if (m_stopping) break;
        lock.unlock();
        check();
        lock.lock();
    }
}

// A node that now leads to another device (a link replaced) means the old
// one went: gone, and back.
void DeviceWatch::check()
{
    const Node node = look();
    std::unique_lock lock(m_mutex);
    const bool replaced = m_present && node.there && node.device != m_device;
    if (m_present && (!node.there || replaced)) {
        m_present = false;
        m_sawAbsent = !node.there;
        m_tellGone = true;
    }
    const bool tellGone = std::exchange(m_tellGone, false);
    bool back = false;
    if (!m_present && !node.there) m_sawAbsent = true;
    if (!m_present && node.there && (m_sawAbsent || node.device != m_device)) {
        m_present = back = true;
        m_device = node.device;
    }
    if (!m_present) m_retryAt.reset();
    if (m_retryAt && m_present && std::chrono::steady_clock::now() >= *m_retryAt) {
        m_retryAt.reset();
        back = true;
    }
    lock.unlock();
    if (tellGone) tell(Event::Gone);
    if (back) tell(Event::Back);
}

void DeviceWatch::tell(Event event)
{
    if (m_listener) m_listener(event);
}

} // namespace linestatus
