#include "devicenamespace.h"
#include "comnaming.h"
#include "devicepath.h"
#include "devicetargets.h"
#include "nametarget.h"
#include "portio/rfc2217/rfc2217provider.h"

namespace portio {

struct DeviceNamespace::Impl {
    Config config;
    mutable std::mutex mutex;
    std::map<std::string, std::string> defined;
    std::shared_ptr<PortProvider> board;
    std::map<std::string, std::string> boardNames;
    const std::shared_ptr<PortProvider> remote = std::make_shared<Rfc2217Provider>();

    std::shared_ptr<PortProvider> providerFor(const std::string& target) const
    {
        std::lock_guard lock(mutex);
        if (board && board->owns(target)) return board;
        return remote->owns(target) ? remote : nullptr;
    }

    std::optional<std::string> inTables(const std::string& name) const
    {
        std::lock_guard lock(mutex);
        if (auto it = defined.find(name); it != defined.end()) return it->second;
        if (auto it = boardNames.find(name); board && it != boardNames.end()) return it->second;
        return std::nullopt;
    }
};

namespace {

Status checkName(std::string_view name)
{
    if (name.empty() || name.find_first_of(std::string_view("\\/\0", 3)) != std::string_view::npos)
        return makeError(ErrorCode::InvalidArgument, "\"" + std::string(name) + "\" is not a device name");
    return okStatus();
}

} // namespace

DeviceNamespace::DeviceNamespace()
    : DeviceNamespace(Config {})
{
}

DeviceNamespace::DeviceNamespace(Config config)
    : m_impl(std::make_unique<Impl>())
{
    if (config.linkDir.empty()) config.linkDir = naming::defaultLinkDir();
    m_impl->config = std::move(config);
}

DeviceNamespace::~DeviceNamespace() = default;

std::string_view DeviceNamespace::stripPrefix(std::string_view path)
{
    return withoutDevicePrefix(path);
}

Status DeviceNamespace::define(std::string_view name, std::string_view target)
{
    name = stripPrefix(name);
    if (auto e = checkName(name)) return e;
    const std::string t(target);
    const auto provider = m_impl->providerFor(t);
    if (auto e = provider ? provider->checkTarget(t) : devices::checkTarget(t)) return e;
    std::lock_guard lock(m_impl->mutex);
    m_impl->defined[naming::lower(name)] = t;
    return okStatus();
}

void DeviceNamespace::undefine(std::string_view name)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->defined.erase(naming::lower(stripPrefix(name)));
}

Status DeviceNamespace::defineFromMapOption(std::string_view option)
{
    const auto parsed = parseNameTarget(option);
    if (!parsed)
        return makeError(ErrorCode::InvalidArgument, "--map expects NAME=TARGET, not \"" + std::string(option) + "\"");
    return define(parsed->name, parsed->target);
}

Result<std::string> DeviceNamespace::query(std::string_view name) const
{
    const std::string key = naming::lower(stripPrefix(name));
    if (auto e = checkName(key)) return e;
    if (auto t = m_impl->inTables(key)) return *t;
    if (auto t = devices::defaultTarget(m_impl->config, key)) return *t;
    return makeError(ErrorCode::NotFound, std::string(stripPrefix(name)) + " is not defined");
}

void DeviceNamespace::installBoard(std::shared_ptr<PortProvider> provider, std::map<std::string, std::string> names)
{
    std::map<std::string, std::string> lowered;
    for (auto& [name, target] : names)
        lowered[naming::lower(stripPrefix(name))] = std::move(target);
    std::lock_guard lock(m_impl->mutex);
    m_impl->board = std::move(provider);
    m_impl->boardNames = std::move(lowered);
}

void DeviceNamespace::removeBoard()
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->board.reset();
    m_impl->boardNames.clear();
}

Result<std::string> DeviceNamespace::resolve(std::string_view path) const
{
    const auto name = stripPrefix(path);
    // A device path names its target directly.
    if (devices::isDevicePath(name)) return std::string(name);
    return query(name);
}

Result<PortPtr> DeviceNamespace::openTarget(const std::string& target, Access access, OpenPurpose purpose)
{
    if (auto provider = m_impl->providerFor(target)) return provider->open(target, access, purpose);
    return devices::open(target, access, purpose);
}

Result<PortPtr> DeviceNamespace::open(std::string_view path, Access access)
{
    auto target = resolve(path);
    if (!target) return target.error();
    return openTarget(*target, access, OpenPurpose::Io);
}

void DeviceNamespace::abortOpens(std::string_view path)
{
    auto target = resolve(path);
    if (!target) return;
    if (auto provider = m_impl->providerFor(*target)) provider->abortOpens(*target);
}

Status DeviceNamespace::probe(std::string_view path)
{
    auto target = resolve(path);
    if (!target) return target.error();
    auto port = openTarget(*target, Access::Read, OpenPurpose::Probe);
    if (!port) return port.error();
    (*port)->close();
    return okStatus();
}

} // namespace portio
