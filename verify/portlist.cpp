#include "portlist.h"

#include "testpattern.h"

#include <charconv>
#include <optional>
#include <strings.h>

namespace verify {

using portio::ErrorCode;
using portio::makeError;

namespace {

constexpr int MaxRange = 4096;

std::vector<std::string_view> splitCommas(std::string_view text)
{
    std::vector<std::string_view> items;
    for (size_t start = 0;;) {
        const auto comma = text.find(',', start);
        items.push_back(text.substr(start, comma - start));
        if (comma == std::string_view::npos) return items;
        start = comma + 1;
    }
}

std::optional<int> comNumber(std::string_view name)
{
    if (name.size() < 4 || strncasecmp(name.data(), "COM", 3) != 0) return std::nullopt;
    int v = 0;
    const auto end = name.data() + name.size();
    const auto [ptr, ec] = std::from_chars(name.data() + 3, end, v);
    if (ec != std::errc() || ptr != end || v < 1) return std::nullopt;
    return v;
}

portio::PortError bad(std::string what)
{
    return makeError(ErrorCode::InvalidArgument, std::move(what));
}

portio::PortError addRange(std::string_view item, std::vector<std::string>& out)
{
    const auto dash = item.find('-');
    const auto a = comNumber(item.substr(0, dash)), b = comNumber(item.substr(dash + 1));
    if (!a || !b || *b < *a || *b - *a >= MaxRange)
        return bad("\"" + std::string(item) + "\" is not a range of ports such as COM3-COM98");
    for (int n = *a; n <= *b; ++n)
        out.push_back("COM" + std::to_string(n));
    return {};
}

portio::PortError addItem(std::string_view item, std::vector<std::string>& out)
{
    if (item.empty()) return bad("empty port name in the port list");
    if (item.starts_with('/')) {
        out.emplace_back(item);
        return {};
    }
    if (item.find('-') != std::string_view::npos) return addRange(item, out);
    if (!comNumber(item)) return bad("\"" + std::string(item) + "\" is neither a COM name nor a device path");
    out.push_back("COM" + std::to_string(*comNumber(item)));
    return {};
}

int indexOf(const std::vector<std::string>& ports, std::string_view name)
{
    for (size_t i = 0; i < ports.size(); ++i)
        if (strcasecmp(ports[i].c_str(), std::string(name).c_str()) == 0) return int(i);
    return -1;
}

portio::Result<std::vector<int>> explicitPairs(std::string_view wiring, const std::vector<std::string>& ports)
{
    std::vector<int> source(ports.size(), -1);
    for (auto item : splitCommas(wiring)) {
        const auto colon = item.find(':');
        const int a = indexOf(ports, item.substr(0, colon));
        const int b = colon == std::string_view::npos ? -1 : indexOf(ports, item.substr(colon + 1));
        if (a < 0 || b < 0 || a == b || source[size_t(a)] >= 0 || source[size_t(b)] >= 0)
            return bad("--wiring: \"" + std::string(item) + "\" is not a pair of two listed ports, each used once");
        source[size_t(a)] = b;
        source[size_t(b)] = a;
    }
    for (size_t i = 0; i < ports.size(); ++i)
        if (source[i] < 0) return bad("--wiring: " + ports[i] + " is in no pair");
    return source;
}

} // namespace

portio::Result<std::vector<std::string>> parsePortList(std::string_view text)
{
    std::vector<std::string> ports;
    for (auto item : splitCommas(text))
        if (auto e = addItem(item, ports)) return e;
    // Each port's data must name its sender, and each port costs two threads.
    if (ports.size() > TestPattern::MaxSources)
        return bad("at most " + std::to_string(TestPattern::MaxSources) + " ports can be verified at once");
    for (size_t i = 0; i < ports.size(); ++i)
        if (indexOf(ports, ports[i]) != int(i)) return bad(ports[i] + " is listed twice");
    return ports;
}

portio::Result<std::vector<int>> planWiring(std::string_view wiring, const std::vector<std::string>& ports)
{
    std::vector<int> source(ports.size());
    if (wiring == "loopback") {
        for (size_t i = 0; i < ports.size(); ++i)
            source[i] = int(i);
        return source;
    }
    if (wiring != "pairs") return explicitPairs(wiring, ports);
    if (ports.size() % 2)
        return bad("--wiring pairs needs an even number of ports, not " + std::to_string(ports.size()));
    for (size_t i = 0; i < ports.size(); ++i)
        source[i] = int(i ^ 1);
    return source;
}

} // namespace verify
