#include "virtualboard.h"

#include "boardcore.h"
#include "lineengine.h"
#include "ptybridge.h"
#include "virtualport.h"

#include <charconv>
#include <stdexcept>

namespace vboard {

using namespace portio;

namespace {
constexpr std::string_view TargetPrefix = "vboard:";
}

VirtualBoard::VirtualBoard(const BoardConfig& config)
    : m_config(config)
    , m_core(std::make_shared<BoardCore>(config))
    , m_engine(std::make_unique<LineEngine>(m_core))
{
    if (!config.exposeFirst) return;
    std::vector<int> indices;
    for (int com = config.exposeFirst; com <= config.exposeLast; ++com)
        indices.push_back(com - config.firstCom);
    m_bridge = std::make_unique<PtyBridge>(m_core, indices, std::make_unique<ExposedLinks>());
}

VirtualBoard::~VirtualBoard()
{
    // Handles may outlive the board: they end with DeviceGone, not a hang.
    for (int i = 0; i < portCount(); ++i)
        unplug(i);
    m_bridge.reset();
    m_engine.reset();
}

std::string VirtualBoard::target(int index)
{
    return std::string(TargetPrefix) + std::to_string(index);
}

std::string VirtualBoard::comName(int index) const
{
    return "COM" + std::to_string(m_config.firstCom + index);
}

std::map<std::string, std::string> VirtualBoard::names() const
{
    std::map<std::string, std::string> m;
    for (int i = 0; i < portCount(); ++i)
        m[comName(i)] = target(i);
    return m;
}

template <class F> auto VirtualBoard::withPort(int index, F f) const
{
    if (index < 0 || index >= portCount())
        throw std::out_of_range("no port " + std::to_string(index) + " on the virtual board");
    std::lock_guard lock(m_core->mutex());
    return f(m_core->port(index));
}

int VirtualBoard::indexOf(std::string_view target)
{
    if (!target.starts_with(TargetPrefix)) return -1;
    target.remove_prefix(TargetPrefix.size());
    int v = -1;
    const auto [ptr, ec] = std::from_chars(target.data(), target.data() + target.size(), v);
    return target.empty() || ec != std::errc() || ptr != target.data() + target.size() ? -1 : v;
}

bool VirtualBoard::owns(std::string_view target) const
{
    const int i = indexOf(target);
    return i >= 0 && i < portCount();
}

Result<PortPtr> VirtualBoard::open(std::string_view target, Access access, OpenPurpose purpose)
{
    if (!owns(target))
        return makeError(ErrorCode::NotFound, "no such port on the virtual board: " + std::string(target));
    return open(indexOf(target), access, purpose);
}

Result<PortPtr> VirtualBoard::open(int index, Access access, OpenPurpose purpose)
{
    if (index < 0 || index >= portCount())
        return makeError(ErrorCode::NotFound, "no such port on the virtual board: " + target(index));
    std::lock_guard lock(m_core->mutex());
    BoardPort& p = m_core->port(index);
    if (!p.plugged) return makeError(ErrorCode::NotFound, target(index) + " is unplugged");
    if (p.failOpens > 0) {
        --p.failOpens;
        return makeError(ErrorCode::OsFailure, target(index) + ": open failed (injected fault)");
    }
    if (p.open) return makeError(ErrorCode::Busy, target(index) + " is in use");
    m_core->resetLine(p);
    p.open = true;
    ++p.session;
    // A probe leaves the modem outputs low, as they were while closed.
    const bool io = purpose == OpenPurpose::Io;
    p.dtr = io && p.dcb.fDtrControl != DTR_CONTROL_DISABLE;
    p.rts = io && p.dcb.fRtsControl != RTS_CONTROL_DISABLE;
    m_core->linesChanged(p); // a far end waiting for our RTS or DTR may go on
    return PortPtr(std::make_unique<VirtualPort>(m_core, p, access));
}

void VirtualBoard::setDebugSink(std::function<void(std::string)> sink)
{
    std::lock_guard lock(m_core->mutex());
    m_core->debugSink = std::move(sink);
}

std::string VirtualBoard::exposedPath(int index) const
{
    return m_bridge ? m_bridge->ptyPath(index) : std::string();
}

portio::Status VirtualBoard::exposeStatus() const
{
    return m_bridge ? m_bridge->status() : portio::okStatus();
}

std::chrono::nanoseconds VirtualBoard::engineCpuTime() const
{
    return m_engine->cpuTime();
}

void VirtualBoard::unplug(int index)
{
    withPort(index, [&](BoardPort& p) {
        p.plugged = false;
        if (p.open) {
            p.open = false;
            m_core->resetLine(p);
        }
        m_core->wakeAll(p);
        if (BoardPort* f = m_core->farEnd(p)) m_core->wakeAll(*f);
    });
}

void VirtualBoard::replug(int index)
{
    withPort(index, [](BoardPort& p) { p.plugged = true; });
}

void VirtualBoard::failNextOpens(int index, int count)
{
    withPort(index, [&](BoardPort& p) { p.failOpens = count; });
}

void VirtualBoard::failNextRequests(int index, int count)
{
    withPort(index, [&](BoardPort& p) { p.failRequests = count; });
}

void VirtualBoard::failNextModemQueries(int index, int count)
{
    withPort(index, [&](BoardPort& p) { p.failModemQueries = count; });
}

void VirtualBoard::injectReceived(int index, const void* data, size_t n)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    withPort(index, [&](BoardPort& p) {
        for (size_t i = 0; i < n; ++i)
            m_core->receive(p, bytes[i], nullptr);
        m_core->inputArrived(p, Clock::now());
    });
}

void VirtualBoard::injectErrors(int index, uint32_t ceFlags)
{
    withPort(index, [&](BoardPort& p) { m_core->flagError(p, ceFlags); });
}

std::vector<DriverRequest> VirtualBoard::requests(int index) const
{
    return withPort(index, [](BoardPort& p) { return p.requests; });
}

void VirtualBoard::clearRequests(int index)
{
    withPort(index, [](BoardPort& p) { p.requests.clear(); });
}

Dcb VirtualBoard::dcb(int index) const
{
    return withPort(index, [](BoardPort& p) { return p.dcb; });
}

ModemOutputs VirtualBoard::modemOutputs(int index) const
{
    return withPort(index, [&](BoardPort& p) { return ModemOutputs { m_core->dtrLevel(p), m_core->rtsLevel(p) }; });
}

StandInDriver VirtualBoard::driverState(int index) const
{
    return withPort(index, [](BoardPort& p) { return p.driver; });
}

uint64_t VirtualBoard::readerWakeUps(int index) const
{
    return withPort(index, [](BoardPort& p) { return p.rxWaiters.wakeUps; });
}

uint64_t VirtualBoard::writerWakeUps(int index) const
{
    return withPort(index, [](BoardPort& p) { return p.txWaiters.wakeUps; });
}

} // namespace vboard
