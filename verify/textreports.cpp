#include "textreports.h"

#include "markup.h"

#include <cstdio>

namespace verify {

namespace {

std::string format(const char* fmt, auto... args)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

std::string lineErrorsText(const PortReport& p)
{
    return p.lineErrors ? std::to_string(p.lineErrors->total()) : "n/a";
}

std::string latencyText(const PortReport& p)
{
    return p.latency ? format("%.0f/%.0f", p.latency->medianUs, p.latency->p99Us) : "n/a";
}

int failures(const RunReport& r)
{
    int n = 0;
    for (const auto& p : r.ports)
        n += p.pass ? 0 : 1;
    return n;
}

// With the longest wait for a line, which on a remote port is the server's.
std::string modemText(const PortReport& p)
{
    if (p.modem.state == ModemCheck::State::NotAvailable) return modemStateName(p.modem.state);
    return format("%s %.1fs", modemStateName(p.modem.state), double(p.modem.waited.count()) / 1000);
}

} // namespace

std::string summaryTable(const RunReport& r)
{
    std::string s
        = format("%-12s %-6s %12s %12s %8s %8s %6s %6s %8s %6s %6s %-13s %-13s %s\n", "PORT", "RESULT", "SENT",
            "RECEIVED", "LOST", "CORRUPT", "DUP", "ORDER", "MISROUTE", "LINE", "RATE", "LATENCY_US", "MODEM", "REASON");
    for (const auto& p : r.ports) {
        const auto& c = p.stream;
        s += format("%-12s %-6s %12llu %12llu %8llu %8llu %6llu %6llu %8llu %6s %6.3f %-13s %-13s %s\n", p.port.c_str(),
            p.pass ? "pass" : "FAIL", (unsigned long long)p.bytesSent, (unsigned long long)p.bytesReceived,
            (unsigned long long)c.lost, (unsigned long long)c.corrupt, (unsigned long long)c.duplicate,
            (unsigned long long)c.reordered, (unsigned long long)c.misrouted, lineErrorsText(p).c_str(),
            p.lineRateFraction, latencyText(p).c_str(), modemText(p).c_str(), p.reason.c_str());
    }
    s += format("%s: %d of %zu ports passed in %.1f s%s\n", r.pass ? "PASS" : "FAIL", int(r.ports.size()) - failures(r),
        r.ports.size(), r.durationS, r.interrupted ? " (interrupted)" : "");
    return s;
}

std::string junitXml(const RunReport& r)
{
    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    s += format("<testsuite name=\"vesperline-verify\" tests=\"%zu\" failures=\"%d\" time=\"%.3f\">\n", r.ports.size(),
        failures(r), r.durationS);
    for (const auto& p : r.ports) {
        s += "  <testcase classname=\"verify\" name=\"" + markupEscaped(p.port) + "\"";
        if (p.pass) {
            s += "/>\n";
            continue;
        }
        s += ">\n    <failure message=\"" + markupEscaped(p.reason) + "\">" + markupEscaped(p.reason) + "</failure>\n";
        s += "  </testcase>\n";
    }
    return s + "</testsuite>\n";
}

} // namespace verify
