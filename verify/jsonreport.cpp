#include "jsonreport.h"

namespace verify {

using nlohmann::json;

namespace {

json settingsJson(const VerifySettings& s)
{
    json j = { { "baud", s.line.baud }, { "data_bits", s.line.dataBits }, { "parity", parityName(s.line.parity) },
        { "stop_bits", stopBitsName(s.line.stopBits) }, { "flow", flowName(s.line.flow) }, { "wiring", s.wiring },
        { "modem_lines", modemLinesName(s.modemLines) }, { "min_rate", s.minRate },
        { "drain_timeout_s", s.drainTimeout.count() / 1000.0 } };
    j["duration_s"] = s.duration ? json(s.duration->count() / 1000.0) : json(nullptr);
    j["bytes"] = s.bytes ? json(*s.bytes) : json(nullptr);
    return j;
}

// Counters a port cannot tell are the string "not available", never 0.
json lineCounter(const std::optional<portio::LineCounters>& c, uint64_t portio::LineCounters::*field)
{
    return c ? json((*c).*field) : json("not available");
}

json errorsJson(const PortReport& p)
{
    using LC = portio::LineCounters;
    return { { "lost", p.stream.lost }, { "corrupt", p.stream.corrupt }, { "duplicate", p.stream.duplicate },
        { "reordered", p.stream.reordered }, { "misrouted", p.stream.misrouted },
        { "framing", lineCounter(p.lineErrors, &LC::framing) }, { "parity", lineCounter(p.lineErrors, &LC::parity) },
        { "overrun", lineCounter(p.lineErrors, &LC::overrun) }, { "break", lineCounter(p.lineErrors, &LC::brk) } };
}

json portJson(const PortReport& p)
{
    json j = { { "port", p.port }, { "device", p.device }, { "source", p.source },
        { "result", p.pass ? "pass" : "fail" }, { "reason", p.reason }, { "bytes_sent", p.bytesSent },
        { "bytes_received", p.bytesReceived }, { "errors", errorsJson(p) },
        { "line_rate_fraction", p.lineRateFraction }, { "misrouted_from", p.misroutedFrom } };
    // Always the same shape, so that a reader of latency_us.median never meets a string in its place.
    j["latency_us"] = p.latency ? json { { "median", p.latency->medianUs }, { "p99", p.latency->p99Us } }
                                : json { { "median", "not available" }, { "p99", "not available" } };
    j["modem_lines"] = { { "result", modemStateName(p.modem.state) }, { "detail", p.modem.detail } };
    j["first_error"] = p.firstError ? json { { "offset", p.firstError->offset },
        { "expected_hex", p.firstError->expectedHex }, { "received_hex", p.firstError->receivedHex } }
                                    : json(nullptr);
    return j;
}

} // namespace

json toJson(const RunReport& report)
{
    json ports = json::array();
    for (const auto& p : report.ports)
        ports.push_back(portJson(p));
    return { { "result", report.pass ? "pass" : "fail" }, { "settings", settingsJson(report.settings) },
        { "duration_s", report.durationS }, { "interrupted", report.interrupted }, { "ports", ports } };
}

std::string jsonText(const RunReport& report)
{
    return toJson(report).dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

} // namespace verify
