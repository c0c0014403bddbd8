#include "verifychoices.h"

#include "verify/portlist.h"

#include <chrono>
#include <cmath>

namespace verifyui {

using portio::ErrorCode;
using portio::makeError;

namespace {

portio::Result<verify::LineSettings> lineOf(const LineSettingsValue& v)
{
    if (v.rtsCts && v.xonXoff) return makeError(ErrorCode::InvalidArgument, "Choose RTS/CTS or XON/XOFF, not both.");
    if (v.baudRate == 0 || v.baudRate > 0x7FFFFFFF)
        return makeError(ErrorCode::InvalidArgument, "The baud rate must be 1 or more.");
    verify::LineSettings line;
    line.baud = v.baudRate;
    line.dataBits = v.dataBits;
    line.parity = v.parityCode;
    line.stopBits = v.stopBitsCode;
    line.flow = v.rtsCts ? verify::Flow::RtsCts : v.xonXoff ? verify::Flow::XonXoff : verify::Flow::None;
    return line;
}

} // namespace

std::string portListText(const VerifyChoices& c)
{
    if (c.portsAsList) return c.list;
    const int last = c.firstCom + c.count - 1;
    return "COM" + std::to_string(c.firstCom) + (c.count > 1 ? "-COM" + std::to_string(last) : "");
}

portio::Result<VerifyPlan> planRun(const VerifyChoices& c)
{
    auto line = lineOf(c.line);
    if (!line) return line.error();
    auto ports = verify::parsePortList(portListText(c));
    if (!ports) return ports.error();
    auto sources = verify::planWiring(c.wiring, *ports);
    if (!sources) return sources.error();
    VerifyPlan plan { std::move(*ports), std::move(*sources), {} };
    plan.settings.line = *line;
    plan.settings.wiring = c.wiring;
    plan.settings.modemLines = c.modemLines;
    if (c.byBytes)
        plan.settings.bytes = c.bytes;
    else
        plan.settings.duration = std::chrono::milliseconds(int64_t(std::llround(c.durationS * 1000)));
    plan.settings.minRate = c.minRate;
    return plan;
}

} // namespace verifyui
