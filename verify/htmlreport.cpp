#include "htmlreport.h"

#include "htmlstyle.h"
#include "markup.h"
#include "svgchart.h"

#include <algorithm>
#include <cstdio>

namespace verify {

using nlohmann::json;

namespace {

std::string fixed(double v, int decimals)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

std::string text(const json& j, const char* key)
{
    const auto it = j.find(key);
    if (it == j.end() || it->is_null()) return {};
    return it->is_string() ? it->get<std::string>() : it->dump();
}

std::string esc(const json& j, const char* key)
{
    return markupEscaped(text(j, key));
}

bool failed(const json& port)
{
    return port.value("result", std::string()) != "pass";
}

// The tile's state as the window names it, from what the report says.
const char* tileClass(const json& port)
{
    const std::string reason = port.value("reason", std::string());
    if (!failed(port)) return "passed";
    if (reason == "interrupted") return "stopped";
    if (reason == "busy") return "busy";
    if (reason.rfind("cannot be opened", 0) == 0) return "failed-to-open";
    return "error";
}

double lineRate(const json& settings)
{
    const std::string stop = settings.value("stop_bits", std::string("1"));
    const double bits = 1 + settings.value("data_bits", 8) + (settings.value("parity", std::string()) != "none" ? 1 : 0)
        + (stop == "1.5"      ? 1.5
                : stop == "2" ? 2.0
                              : 1.0);
    return settings.value("baud", 0.0) / bits;
}

// How long the ports sent: the longest timeline or the latest event.
double spanOf(const json& ports)
{
    double span = 0;
    for (const auto& p : ports) {
        const json& t = p["timeline"];
        span = std::max(span, t.value("interval_s", 0.0) * double(t["bytes_received"].size()));
        for (const auto& e : p["events"])
            span = std::max(span, e.value("time_s", 0.0));
    }
    return span;
}

std::string anchor(const json& port)
{
    return "port-" + esc(port, "port");
}

int failures(const json& ports)
{
    return int(std::count_if(ports.begin(), ports.end(), [](const json& p) { return failed(p); }));
}

std::string verdictHtml(const json& r)
{
    const bool pass = r.value("result", std::string()) == "pass";
    const json& ports = r["ports"];
    std::string s = "<header class=\"verdict " + std::string(pass ? "pass" : "fail") + "\"><h1 id=\"verdict\">"
        + (pass ? "PASS" : "FAIL") + "</h1><p id=\"summary\">" + std::to_string(int(ports.size()) - failures(ports))
        + " of " + std::to_string(ports.size()) + " ports passed in " + fixed(r.value("duration_s", 0.0), 1)
        + " s</p></header>";
    if (r.value("interrupted", false))
        s += "<p class=\"interrupted\" id=\"interrupted\">Interrupted: the run was stopped before it was done; ports "
             "still under way are marked stopped.</p>";
    return s;
}

std::string settingsHtml(const json& r)
{
    const json& s = r["settings"];
    const std::string length = s["bytes"].is_null() ? fixed(s.value("duration_s", 0.0), 1) + " s per port"
                                                    : text(s, "bytes") + " bytes per port";
    const std::pair<const char*, std::string> rows[]
        = { { "Line",
                text(s, "baud") + " baud, " + text(s, "data_bits") + " data bits, parity " + esc(s, "parity")
                    + ", stop bits " + esc(s, "stop_bits") + ", flow " + esc(s, "flow") },
              { "Wiring", esc(s, "wiring") }, { "Length", length },
              { "Least rate", fixed(s.value("min_rate", 0.0), 3) + " of line rate" }, { "Started", esc(r, "started") },
              { "Host", esc(r, "host") }, { "Version", esc(r, "version") } };
    std::string out = "<section id=\"settings\"><h2>Settings</h2><dl class=\"settings\">";
    for (const auto& [name, value] : rows)
        out += "<dt>" + std::string(name) + "</dt><dd>" + value + "</dd>";
    return out + "</dl></section>";
}

std::string wentBad(const json& port)
{
    const json& events = port["events"];
    if (events.empty()) return "&#8212;";
    return fixed(events.front().value("time_s", 0.0), 2) + " s, offset " + text(events.front(), "offset");
}

std::string tilesHtml(const json& ports)
{
    std::string s = "<section id=\"overview\"><h2>Board</h2><div class=\"tiles\">";
    for (const auto& p : ports)
        s += "<a class=\"tile " + std::string(tileClass(p)) + "\" data-port=\"" + esc(p, "port") + "\" href=\"#"
            + anchor(p) + "\" title=\"" + esc(p, "port") + ": "
            + (failed(p) ? esc(p, "reason") + ", from " + wentBad(p) : "passed") + "\">" + esc(p, "port") + "</a>";
    s += "</div><p class=\"legend\">";
    for (const char* state : { "passed", "error", "stopped", "failed-to-open", "busy" })
        s += "<span><i class=\"tile " + std::string(state) + "\"></i>" + state + "</span>";
    return s + "</p></section>";
}

// Under the tiles: which ports failed, why, and when it began.
std::string badListHtml(const json& ports)
{
    if (failures(ports) == 0) return {};
    std::string s = "<section id=\"failing\"><h2>Failing ports</h2><div class=\"wide\"><table class=\"bad-list\">"
                    "<thead><tr><th class=\"text\">Port</th><th class=\"text\">Reason</th><th>Went wrong at</th>"
                    "<th>Events</th></tr></thead><tbody>";
    for (const auto& p : ports) {
        if (!failed(p)) continue;
        s += "<tr class=\"fail\" data-port=\"" + esc(p, "port") + "\"><td class=\"text\"><a href=\"#" + anchor(p)
            + "\">" + esc(p, "port") + "</a></td><td class=\"reason\">" + esc(p, "reason") + "</td><td>" + wentBad(p)
            + "</td><td>" + std::to_string(p["events"].size() + p.value("events_left_out", uint64_t(0))) + "</td></tr>";
    }
    return s + "</tbody></table></div></section>";
}

std::string chartsHtml(const json& ports, double span, double rate)
{
    std::string s = "<section id=\"charts\"><h2>Rate over time</h2><p>Bytes per second received, against the line "
                    "rate (dashed); red marks are error events.</p><div class=\"charts\">";
    for (const auto& p : ports)
        s += "<figure class=\"" + std::string(failed(p) ? "fail" : "pass") + "\" data-port=\"" + esc(p, "port")
            + "\"><figcaption>" + esc(p, "port") + (failed(p) ? " &#8212; FAIL" : "") + "</figcaption>"
            + rateChartSvg(p, span, rate, {}) + "</figure>";
    return s + "</div></section>";
}

std::string lineCounter(const json& port, const char* key)
{
    return esc(port["errors"], key);
}

std::string cell(const char* field, const std::string& value, const char* cls = nullptr)
{
    return std::string("<td") + (cls ? std::string(" class=\"") + cls + "\"" : "") + " data-field=\"" + field + "\">"
        + value + "</td>";
}

std::string tableRow(const json& p)
{
    const json& e = p["errors"];
    const json& lat = p["latency_us"];
    const auto latency
        = [&](const char* key) { return lat[key].is_number() ? fixed(lat[key].get<double>(), 0) : esc(lat, key); };
    return "<tr class=\"" + std::string(failed(p) ? "fail" : "pass") + "\" data-port=\"" + esc(p, "port") + "\">"
        + cell("port", esc(p, "port"), "text") + cell("device", esc(p, "device"), "text")
        + cell("result", esc(p, "result"), "text") + cell("bytes_sent", text(p, "bytes_sent"))
        + cell("bytes_received", text(p, "bytes_received")) + cell("lost", text(e, "lost"))
        + cell("corrupt", text(e, "corrupt")) + cell("duplicate", text(e, "duplicate"))
        + cell("reordered", text(e, "reordered")) + cell("misrouted", text(e, "misrouted"))
        + cell("framing", lineCounter(p, "framing")) + cell("parity", lineCounter(p, "parity"))
        + cell("overrun", lineCounter(p, "overrun")) + cell("break", lineCounter(p, "break"))
        + cell("line_rate_fraction", fixed(p.value("line_rate_fraction", 0.0), 3))
        + cell("latency_median_us", latency("median")) + cell("latency_p99_us", latency("p99"))
        + cell("modem_lines", esc(p["modem_lines"], "result"), "text") + cell("reason", esc(p, "reason"), "reason")
        + "</tr>";
}

std::string tableHtml(const json& ports)
{
    std::string s = "<section id=\"ports\"><h2>Ports</h2><div class=\"wide\"><table id=\"port-table\"><thead><tr>";
    for (const char* h : { "Port", "Device", "Result", "Sent", "Received", "Lost", "Corrupt", "Duplicate", "Reordered",
             "Misrouted", "Framing", "Parity", "Overrun", "Break", "Rate", "Latency median &#181;s",
             "Latency p99 &#181;s", "Modem lines", "Reason" })
        s += "<th>" + std::string(h) + "</th>";
    s += "</tr></thead><tbody>";
    for (const auto& p : ports)
        s += tableRow(p);
    return s + "</tbody></table></div></section>";
}

std::string eventsTable(const json& port)
{
    const json& events = port["events"];
    if (events.empty()) return "<p>No error events were recorded.</p>";
    std::string s = "<div class=\"wide\"><table class=\"events\"><thead><tr><th>Time s</th><th>Offset</th>"
                    "<th class=\"text\">Kind</th><th>Count</th></tr></thead><tbody>";
    for (const auto& e : events)
        s += "<tr><td>" + fixed(e.value("time_s", 0.0), 3) + "</td><td>" + text(e, "offset")
            + "</td><td class=\"text\">" + esc(e, "kind") + "</td><td>" + text(e, "count") + "</td></tr>";
    s += "</tbody></table></div>";
    if (const auto left = port.value("events_left_out", uint64_t(0)))
        s += "<p>" + std::to_string(left) + " more events were not kept.</p>";
    return s;
}

// The expected and received bytes with the first wrong one in bold.
std::string hexDump(const json& port)
{
    const json& e = port["first_error"];
    if (!e.is_object()) return {};
    const std::string expected = e.value("expected_hex", std::string());
    const std::string received = e.value("received_hex", std::string());
    const size_t before = expected.size() >= 3 * 8 ? (expected.size() + 1) / 3 - 8 : 0;
    const uint64_t offset = e.value("offset", uint64_t(0));
    const auto row = [&](const char* title, const std::string& hex) {
        std::string s = std::string(title) + " " + std::to_string(offset - std::min<uint64_t>(offset, before)) + " ";
        for (size_t i = 0, at = 0; at < hex.size(); ++i, at += 3) {
            const std::string byte = hex.substr(at, 2);
            s += i == before ? " <b>[" + markupEscaped(byte) + "]</b>" : " " + markupEscaped(byte);
        }
        return s;
    };
    return "<h4>First error at offset " + std::to_string(offset) + " of what it received</h4><pre class=\"dump\">"
        + row("expected", expected) + "\n" + row("received", received) + "</pre>";
}

std::string detailsHtml(const json& ports, double span, double rate)
{
    if (failures(ports) == 0) return {};
    std::string s = "<section id=\"details\"><h2>Failing ports in detail</h2>";
    for (const auto& p : ports) {
        if (!failed(p)) continue;
        s += "<article class=\"port-detail\" id=\"" + anchor(p) + "\" data-port=\"" + esc(p, "port") + "\"><h3>"
            + esc(p, "port") + " (" + esc(p, "device") + "): " + esc(p, "reason") + "</h3>"
            + rateChartSvg(p, span, rate, { 720, 180, true }) + eventsTable(p) + hexDump(p) + "</article>";
    }
    return s + "</section>";
}

std::string countersHtml(const json& ports)
{
    const std::pair<const char*, const char*> fields[] = { { "bytes_sent", "Sent" }, { "bytes_received", "Received" } };
    const char* errors[]
        = { "lost", "corrupt", "duplicate", "reordered", "misrouted", "framing", "parity", "overrun", "break" };
    std::string head, body;
    for (const auto& [key, title] : fields) {
        uint64_t sum = 0;
        for (const auto& p : ports)
            sum += p.value(key, uint64_t(0));
        head += "<th>" + std::string(title) + "</th>";
        body += "<td data-total=\"" + std::string(key) + "\">" + std::to_string(sum) + "</td>";
    }
    for (const char* key : errors) {
        uint64_t sum = 0;
        for (const auto& p : ports)
            if (p["errors"][key].is_number()) sum += p["errors"][key].get<uint64_t>();
        head += "<th>" + std::string(1, char(key[0] - 32)) + std::string(key + 1) + "</th>";
        body += "<td data-total=\"" + std::string(key) + "\">" + std::to_string(sum) + "</td>";
    }
    return "<section id=\"counters\"><h2>Counters, all ports</h2><div class=\"wide\"><table><thead><tr>" + head
        + "</tr></thead><tbody><tr>" + body + "</tr></tbody></table></div><p>Line errors count only the ports that "
        + "report them.</p></section>";
}

// A report from an older version (or trimmed by hand) lacks some fields:
// they read as empty rather than stopping the page.
json completed(json r)
{
    r.emplace("result", "fail");
    r.emplace("interrupted", false);
    r.emplace("duration_s", 0.0);
    for (const char* key : { "started", "host", "version" })
        r.emplace(key, "");
    r.emplace("settings", json::object());
    r["settings"].emplace("bytes", nullptr);
    if (!r["ports"].is_array()) r["ports"] = json::array();
    for (auto& p : r["ports"]) {
        for (const char* key : { "port", "device", "reason" })
            p.emplace(key, "");
        p.emplace("result", "fail");
        p.emplace("timeline", json { { "interval_s", 0.0 }, { "bytes_received", json::array() } });
        p["timeline"].emplace("bytes_received", json::array());
        p.emplace("events", json::array());
        p.emplace("first_error", nullptr);
        p.emplace("errors", json::object());
        for (const char* key : { "lost", "corrupt", "duplicate", "reordered", "misrouted" })
            p["errors"].emplace(key, 0);
        for (const char* key : { "framing", "parity", "overrun", "break" })
            p["errors"].emplace(key, "not available");
        p.emplace("latency_us", json { { "median", "not available" }, { "p99", "not available" } });
        p.emplace("modem_lines", json { { "result", "not available" } });
    }
    return r;
}

} // namespace

std::string htmlReport(const json& report)
{
    const json r = completed(report);
    const json& ports = r["ports"];
    const double span = spanOf(ports);
    const double rate = lineRate(r["settings"]);
    const bool pass = r.value("result", std::string()) == "pass";
    std::string page = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                       // Nothing may load: not even by mistake.
                       "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src "
                       "'unsafe-inline'\"><title>Vesperline verify: "
        + std::string(pass ? "PASS" : "FAIL") + (r.value("interrupted", false) ? " (interrupted)" : "") + ", "
        + esc(r, "started") + "</title><style>" + ReportStyle + "</style></head><body"
        + (r.value("interrupted", false) ? " class=\"interrupted-run\"" : "") + ">\n";
    // The tiles first: which ports failed shows at a glance, even when most did.
    page += verdictHtml(r) + tilesHtml(ports) + badListHtml(ports) + settingsHtml(r) + chartsHtml(ports, span, rate)
        + detailsHtml(ports, span, rate) + tableHtml(ports) + countersHtml(ports);
    return page + "\n</body></html>\n";
}

} // namespace verify
