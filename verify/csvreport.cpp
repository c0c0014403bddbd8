// The CSV report: one row per port with every field of the port's JSON
// object that is a number or a word, so that the two never drift apart.
#include "jsonreport.h"
#include "textreports.h"

#include <map>
#include <set>

namespace verify {

using nlohmann::json;

namespace {

// The columns of the first CSV files, in their order and under their names;
// every other field follows them, named by its path ("first_error_offset").
const std::vector<std::pair<std::string, std::string>> LeadingColumns { { "port", "port" }, { "device", "device" },
    { "result", "result" }, { "bytes_sent", "bytes_sent" }, { "bytes_received", "bytes_received" },
    { "errors_lost", "lost" }, { "errors_corrupt", "corrupt" }, { "errors_duplicate", "duplicate" },
    { "errors_reordered", "reordered" }, { "errors_misrouted", "misrouted" }, { "errors_framing", "framing" },
    { "errors_parity", "parity" }, { "errors_overrun", "overrun" }, { "errors_break", "break" },
    { "line_rate_fraction", "line_rate_fraction" }, { "latency_us_median", "latency_median_us" },
    { "latency_us_p99", "latency_p99_us" }, { "modem_lines_result", "modem_lines" }, { "reason", "reason" } };

// Fields that are null when there is nothing to say still get their columns.
const std::map<std::string, json> EmptyShapes { { "first_error",
    json { { "offset", nullptr }, { "expected_hex", nullptr }, { "received_hex", nullptr } } } };

std::string csvField(const std::string& s)
{
    if (s.find_first_of(",\"\n\r") == std::string::npos) return s;
    std::string out = "\"";
    for (char c : s)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string cellOf(const json& v)
{
    if (v.is_null()) return {};
    if (v.is_string()) return csvField(v.get<std::string>());
    if (v.is_array()) { // a list of words: one cell, blank-separated
        std::string words;
        for (const auto& w : v)
            words += (words.empty() ? "" : " ") + (w.is_string() ? w.get<std::string>() : w.dump());
        return csvField(words);
    }
    return v.dump(-1, ' ', false, json::error_handler_t::replace);
}

// Series are no single number or word: the rate per interval and the event
// list stay in the JSON (and the HTML page) only.
const std::set<std::string> Series { "events", "timeline_bytes_received" };

// The port's fields by path, nested objects flattened.
void flatten(const json& object, const std::string& prefix, std::map<std::string, std::string>& cells)
{
    for (const auto& [key, value] : object.items()) {
        const std::string path = prefix + key;
        const auto shape = EmptyShapes.find(path);
        if (Series.count(path)) continue;
        if (value.is_object())
            flatten(value, path + "_", cells);
        else if (value.is_null() && shape != EmptyShapes.end())
            flatten(shape->second, path + "_", cells);
        else
            cells[path] = cellOf(value);
    }
}

std::vector<std::pair<std::string, std::string>> columnsOf(const std::map<std::string, std::string>& cells)
{
    auto columns = LeadingColumns;
    // Not a structured binding: clang 14 cannot capture one in the lambda.
    for (const auto& cell : cells) {
        const std::string& path = cell.first;
        if (std::none_of(LeadingColumns.begin(), LeadingColumns.end(), [&](auto& c) { return c.first == path; }))
            columns.emplace_back(path, path);
    }
    return columns;
}

} // namespace

std::string csvTable(const RunReport& report)
{
    // Every port has the same fields: the header comes from a blank one, also for a run without ports.
    RunReport blank;
    blank.ports.emplace_back();
    std::map<std::string, std::string> shape;
    flatten(toJson(blank)["ports"][0], "", shape);
    const auto columns = columnsOf(shape);
    std::string s;
    for (const auto& [path, name] : columns)
        s += (s.empty() ? "" : ",") + name;
    s += "\n";
    const json all = toJson(report);
    for (const auto& port : all["ports"]) {
        std::map<std::string, std::string> row;
        flatten(port, "", row);
        std::string line;
        for (size_t i = 0; i < columns.size(); ++i)
            line += (i ? "," : "") + row[columns[i].first];
        s += line + "\n";
    }
    return s;
}

} // namespace verify
