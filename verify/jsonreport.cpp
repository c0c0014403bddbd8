#include "jsonreport.h"

#include <cstdio>

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

json eventsJson(const PortTimeline& t)
{
    json events = json::array();
    for (const auto& e : t.events)
        events.push_back(
            { { "time_s", e.atS }, { "offset", e.offset }, { "kind", eventKindName(e.kind) }, { "count", e.count } });
    return events;
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
    j["modem_lines"] = { { "result", modemStateName(p.modem.state) }, { "detail", p.modem.detail },
        { "waited_ms", p.modem.waited.count() }, { "limit_ms", p.modem.limit.count() } };
    j["timeline"] = { { "interval_s", p.timeline.intervalS }, { "bytes_received", p.timeline.bytes } };
    j["events"] = eventsJson(p.timeline);
    j["events_left_out"] = p.timeline.eventsLeftOut;
    j["first_error"] = p.firstError ? json { { "offset", p.firstError->offset },
        { "expected_hex", p.firstError->expectedHex }, { "received_hex", p.firstError->receivedHex } }
                                    : json(nullptr);
    return j;
}

} // namespace

std::string utcText(std::chrono::system_clock::time_point t)
{
    using namespace std::chrono;
    const auto day = floor<days>(t);
    const year_month_day date { day };
    const hh_mm_ss time { floor<seconds>(t - day) };
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", int(date.year()), unsigned(date.month()),
        unsigned(date.day()), int(time.hours().count()), int(time.minutes().count()), int(time.seconds().count()));
    return text;
}

json toJson(const RunReport& report)
{
    json ports = json::array();
    for (const auto& p : report.ports)
        ports.push_back(portJson(p));
    return { { "result", report.pass ? "pass" : "fail" }, { "settings", settingsJson(report.settings) },
        { "duration_s", report.durationS }, { "interrupted", report.interrupted },
        { "started", utcText(report.started) }, { "host", report.host }, { "version", report.version },
        { "ports", ports } };
}

std::string jsonText(const RunReport& report)
{
    return toJson(report).dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

} // namespace verify
