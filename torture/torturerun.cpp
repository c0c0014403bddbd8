#include "torturerun.h"

#include "portsetup.h"

#include "res/texts.h"

#include <chrono>

namespace torture {

namespace {
std::string comDevicePath(uint64_t number)
{
    return R"(\\.\COM)" + std::to_string(number);
}

// How often Stop repeats its abort while a writer has not ended yet: a
// writer may enter a new write just after the previous abort.
constexpr auto AbortRepeat = std::chrono::milliseconds(20);
} // namespace

TortureRun::~TortureRun()
{
    stop();
}

TortureRun& TortureRun::instance()
{
    static TortureRun run;
    return run;
}

bool TortureRun::start(portio::DeviceNamespace& ns, const TortureParams& params, const MessageSink& sink)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_state != State::Idle) return false;
        m_state = State::Starting;
    }
    auto ports = openPorts(ns, params, sink);
    std::lock_guard lock(m_mutex);
    if (!ports) {
        m_state = State::Idle;
        return false;
    }
    m_ports = std::move(*ports);
    startWriters();
    m_state = State::Running;
    return true;
}

std::optional<std::vector<portio::PortPtr>> TortureRun::openPorts(
    portio::DeviceNamespace& ns, const TortureParams& params, const MessageSink& sink)
{
    // The table grows port by port rather than being sized up front, so an
    // absurd Port Count ends at the first port that does not exist instead of
    // failing to allocate; 64-bit numbers keep COM names from wrapping around.
    std::vector<portio::PortPtr> ports;
    const uint64_t first = params.firstComPort;
    for (uint64_t number = first; number < first + params.portCount; ++number) {
        const std::string path = comDevicePath(number);
        auto port = ns.open(path, portio::Access::ReadWrite);
        if (!port.ok()) {
            // Close the ports opened so far before the user sees the message,
            // so that they are free again at once.
            for (auto& opened : ports)
                opened->close();
            ports.clear();
            sink(path + txt::CouldNotBeOpenedAborting);
            return std::nullopt;
        }
        if (!setUpTorturePort(*port.value(), params.baudRate)) sink(txt::SetCommStateFailed);
        ports.push_back(std::move(port.value()));
    }
    return ports;
}

void TortureRun::startWriters()
{
    m_shared.running.store(true);
    m_shared.latestCount.store(0);
    m_shared.updates.store(0);
    m_shownUpdates.store(0);
    m_shared.finished = 0;
    for (auto& port : m_ports) {
        auto writer = std::make_unique<TortureWriter>(*port, m_shared);
        // A thread that cannot be created leaves its port idle; the others run.
        if (writer->start()) m_writers.push_back(std::move(writer));
    }
}

void TortureRun::stop()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_state != State::Running) return;
        m_state = State::Stopping;
    }
    stopWriters();
    for (auto& port : m_ports)
        port->close();
    std::lock_guard lock(m_mutex);
    m_writers.clear();
    m_ports.clear();
    m_state = State::Idle;
}

void TortureRun::stopWriters()
{
    m_shared.running.store(false);
    std::unique_lock lock(m_shared.finishMutex);
    while (m_shared.finished < m_writers.size()) {
        lock.unlock();
        for (auto& writer : m_writers)
            if (!writer->finished()) writer->port().purge(portio::PURGE_TXABORT);
        lock.lock();
        m_shared.finishChanged.wait_for(lock, AbortRepeat, [&] { return m_shared.finished == m_writers.size(); });
    }
    lock.unlock();
    for (auto& writer : m_writers)
        writer->join();
}

bool TortureRun::running() const
{
    std::lock_guard lock(m_mutex);
    return m_state == State::Running;
}

std::optional<std::string> TortureRun::progressText()
{
    if (!running()) return std::nullopt;
    const uint64_t updates = m_shared.updates.load();
    if (m_shownUpdates.exchange(updates) == updates) return std::nullopt;
    return txt::ComPrefix + std::to_string(tortureParams().firstComPort) + txt::KbSent
        + std::to_string(m_shared.latestCount.load());
}

std::vector<uint64_t> TortureRun::blockCounts() const
{
    std::lock_guard lock(m_mutex);
    std::vector<uint64_t> counts;
    for (const auto& writer : m_writers)
        counts.push_back(writer->blocks());
    return counts;
}

} // namespace torture
