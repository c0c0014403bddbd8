#include "exposedlinks.h"

namespace vboard {

// No pseudo-terminals on Windows, so nothing to link (see ptybridge_win32.cpp).
std::string ExposedLinks::defaultDir()
{
    return {};
}

ExposedLinks::ExposedLinks(std::string dir)
    : m_dir(std::move(dir))
{
}

ExposedLinks::~ExposedLinks() = default;

portio::Status ExposedLinks::add(const std::string& name, const std::string&)
{
    return portio::makeError(
        portio::ErrorCode::NotSupported, "no link for " + name + ": the Windows build has no pseudo-terminals");
}

} // namespace vboard
