#include "report.h"

#include <cstdio>

namespace verify {

namespace {

std::string countText(uint64_t n, const char* what)
{
    return std::to_string(n) + (n == 1 ? " byte " : " bytes ") + what;
}

std::string lineReason(const PortReport& p)
{
    if (!p.lineErrors || !p.lineErrors->total()) return {};
    const auto& e = *p.lineErrors;
    return "line errors: " + std::to_string(e.framing) + " framing, " + std::to_string(e.parity) + " parity, "
        + std::to_string(e.overrun) + " overrun, " + std::to_string(e.brk) + " break";
}

std::string rateReason(const PortReport& p, double minRate)
{
    if (minRate <= 0 || p.lineRateFraction >= minRate) return {};
    char text[96];
    std::snprintf(text, sizeof text, "throughput %.3f of line rate, below %.3f", p.lineRateFraction, minRate);
    return text;
}

} // namespace

std::string streamFault(const StreamCounts& s, const std::vector<std::string>& misroutedFrom)
{
    if (s.misrouted)
        return "receives " + (misroutedFrom.empty() ? std::string("another port") : misroutedFrom.front()) + "'s data";
    if (s.lost) return countText(s.lost, "lost");
    if (s.corrupt) return countText(s.corrupt, "corrupted");
    if (s.duplicate) return countText(s.duplicate, "duplicated");
    if (s.reordered) return countText(s.reordered, "out of order");
    return {};
}

const char* modemStateName(ModemCheck::State state)
{
    switch (state) {
    case ModemCheck::State::Passed:
        return "pass";
    case ModemCheck::State::Failed:
        return "fail";
    case ModemCheck::State::Skipped:
        return "skipped";
    default:
        return "not available";
    }
}

void judge(PortReport& p, const VerifySettings& settings)
{
    if (p.reason.empty() && p.bytesSent == 0) p.reason = "nothing was sent";
    if (p.reason.empty()) p.reason = streamFault(p.stream, p.misroutedFrom);
    if (p.reason.empty() && p.bytesReceived < p.bytesSent) p.reason = countText(p.bytesSent - p.bytesReceived, "lost");
    // More than was sent can only be extra, however well it matches.
    if (p.reason.empty() && p.bytesReceived > p.bytesSent)
        p.reason = countText(p.bytesReceived - p.bytesSent, "more than were sent");
    if (p.reason.empty()) p.reason = lineReason(p);
    if (p.reason.empty() && p.modem.state == ModemCheck::State::Failed) p.reason = p.modem.detail;
    if (p.reason.empty()) p.reason = rateReason(p, settings.minRate);
    p.pass = p.reason.empty();
}

} // namespace verify
