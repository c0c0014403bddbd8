#include "portdescription.h"

#include <string_view>

namespace portio {

namespace {

constexpr std::string_view BoardPrefix = "vboard:";

void appendPart(std::string& out, std::string_view separator, const std::string& part)
{
    if (part.empty()) return;
    if (!out.empty()) out += separator;
    out += part;
}

} // namespace

std::string PortDescription::text() const
{
    if (!kind.empty()) return kind;
    std::string out = vendor;
    appendPart(out, " ", model);
    appendPart(out, ", ", serial.empty() ? std::string() : "serial " + serial);
    appendPart(out, ", ", driver.empty() ? std::string() : "driver " + driver);
    appendPart(out, ", ", hardwareId);
    return out;
}

PortDescription describePort(const std::string& target)
{
    if (target.starts_with(BoardPrefix))
        return PortDescription::ofKind("virtual board port " + target.substr(BoardPrefix.size()));
    if (!target.starts_with("/")) return {};
    return describeDeviceNode(target);
}

} // namespace portio
