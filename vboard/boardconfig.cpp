#include "boardconfig.h"

#include <charconv>
#include <optional>
#include <vector>

namespace vboard {

using portio::ErrorCode;
using portio::makeError;

namespace {

constexpr int MaxPorts = 256;

std::optional<Wiring> wiringFromName(std::string_view name)
{
    for (Wiring w : { Wiring::Loopback, Wiring::Pairs, Wiring::Open }) {
        if (name == wiringName(w)) return w;
    }
    return std::nullopt;
}

std::optional<uint64_t> number(std::string_view text)
{
    uint64_t v = 0;
    const auto end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
    return v;
}

portio::PortError bad(std::string what)
{
    return makeError(ErrorCode::InvalidArgument, "--virtual-board: " + what);
}

portio::PortError numberItem(std::string_view key, std::string_view text, uint64_t lo, uint64_t hi, uint64_t& out)
{
    const auto v = number(text);
    if (!v || *v < lo || *v > hi)
        return bad(std::string(key) + " must be a number from " + std::to_string(lo) + " to " + std::to_string(hi)
            + ", not \"" + std::string(text) + "\"");
    out = *v;
    return {};
}

std::optional<double> rate(std::string_view text)
{
    double v = 0;
    const auto end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || ptr != end || !(v >= 0 && v <= 1)) return std::nullopt;
    return v;
}

std::optional<int> comNumber(std::string_view text)
{
    if (text.size() < 4 || (text.substr(0, 3) != "COM" && text.substr(0, 3) != "com")) return std::nullopt;
    const auto v = number(text.substr(3));
    if (!v || *v < 1 || *v > 9999) return std::nullopt;
    return int(*v);
}

portio::PortError badRate(std::string_view key, std::string_view text)
{
    return bad(std::string(key) + " rate must be a number from 0 to 1, not \"" + std::string(text) + "\"");
}

portio::PortError badPort(std::string_view key, std::string_view text)
{
    return bad(std::string(key) + " needs a port name such as COM7, not \"" + std::string(text) + "\"");
}

// "COMn:VALUE" items: drop=COM7:1e-4, swap=COM5:COM9.
std::pair<std::string_view, std::string_view> splitColon(std::string_view val)
{
    const auto colon = val.find(':');
    if (colon == std::string_view::npos) return { val, {} };
    return { val.substr(0, colon), val.substr(colon + 1) };
}

portio::PortError applyFault(FaultConfig& f, std::string_view key, std::string_view val)
{
    const auto [left, right] = splitColon(val);
    if (key == "noise") {
        const auto r = rate(val);
        if (!r) return badRate(key, val);
        f.noise = *r;
    } else if (key == "drop") {
        const auto com = comNumber(left);
        const auto r = rate(right);
        if (!com) return badPort(key, val);
        if (!r) return badRate(key, right);
        f.drops[*com] = *r;
    } else if (key == "swap") {
        const auto a = comNumber(left), b = comNumber(right);
        if (!a || !b || *a == *b) return bad("swap needs two different ports, as in swap=COM5:COM9");
        f.swap = std::pair(*a, *b);
    } else if (key == "nocts") {
        const auto com = comNumber(val);
        if (!com) return badPort(key, val);
        f.noCts.insert(*com);
    } else {
        uint64_t v = 0;
        if (auto e = numberItem(key, val, 0, UINT64_MAX, v)) return e;
        f.seed = v;
    }
    return {};
}

bool isFaultKey(std::string_view key)
{
    return key == "noise" || key == "drop" || key == "swap" || key == "nocts" || key == "seed";
}

portio::PortError exposeItem(BoardConfig& c, std::string_view val)
{
    const auto dash = val.find('-');
    const auto first = comNumber(val.substr(0, dash));
    const auto last = dash == std::string_view::npos ? first : comNumber(val.substr(dash + 1));
    if (!first || !last || *last < *first)
        return bad("expose takes COMn or COMn-COMm, not \"" + std::string(val) + "\"");
    c.exposeFirst = *first;
    c.exposeLast = *last;
    return {};
}

portio::PortError applyItem(BoardConfig& c, std::string_view key, std::string_view val)
{
    if (isFaultKey(key)) return applyFault(c.faults, key, val);
    uint64_t v = 0;
    portio::PortError e;
    if (key == "wiring") {
        const auto w = wiringFromName(val);
        if (!w) return bad("unknown wiring \"" + std::string(val) + "\" (loopback, pairs or open)");
        c.wiring = *w;
    } else if (key == "ports") {
        if (!(e = numberItem(key, val, 1, MaxPorts, v))) c.ports = int(v);
    } else if (key == "first") {
        if (!(e = numberItem(key, val, 1, 9999, v))) c.firstCom = int(v);
    } else if (key == "maxbaud") {
        if (!(e = numberItem(key, val, 50, 0x7FFFFFFF, v))) c.maxBaud = uint32_t(v);
    } else if (key == "queue") {
        if (!(e = numberItem(key, val, 16, 1 << 24, v))) c.queueSize = uint32_t(v);
    } else if (key == "expose") {
        e = exposeItem(c, val);
    } else {
        return bad("unknown item \"" + std::string(key)
            + "\" (wiring, ports, first, maxbaud, queue, expose, noise, drop, swap, nocts, seed)");
    }
    return e;
}

portio::PortError applyToken(BoardConfig& c, std::string_view token)
{
    const auto eq = token.find('=');
    if (eq == std::string_view::npos) {
        if (wiringFromName(token)) return applyItem(c, "wiring", token);
        return bad("\"" + std::string(token) + "\" is neither a wiring nor a key=value item");
    }
    return applyItem(c, token.substr(0, eq), token.substr(eq + 1));
}

portio::PortError checkFaultPort(const BoardConfig& c, int com)
{
    if (com >= c.firstCom && com < c.firstCom + c.ports) return {};
    return bad("COM" + std::to_string(com) + " is not a port of the board (COM" + std::to_string(c.firstCom) + " to COM"
        + std::to_string(c.firstCom + c.ports - 1) + ")");
}

portio::PortError checkFaultPorts(const BoardConfig& c)
{
    std::vector<int> coms(c.faults.noCts.begin(), c.faults.noCts.end());
    for (const auto& d : c.faults.drops)
        coms.push_back(d.first);
    if (c.faults.swap) coms.insert(coms.end(), { c.faults.swap->first, c.faults.swap->second });
    for (int com : coms)
        if (auto e = checkFaultPort(c, com)) return e;
    return {};
}

} // namespace

const char* wiringName(Wiring wiring)
{
    switch (wiring) {
    case Wiring::Pairs:
        return "pairs";
    case Wiring::Open:
        return "open";
    default:
        return "loopback";
    }
}

portio::Result<BoardConfig> parseBoardOption(std::string_view value)
{
    BoardConfig config;
    while (!value.empty()) {
        const auto comma = value.find(',');
        const auto token = value.substr(0, comma);
        if (token.empty()) return bad("empty item");
        if (auto e = applyToken(config, token)) return e;
        if (comma == std::string_view::npos) break;
        value.remove_prefix(comma + 1);
        if (value.empty()) return bad("empty item");
    }
    if (config.firstCom + config.ports - 1 > 9999) return bad("the last port number would exceed COM9999");
    if (config.exposeFirst
        && (config.exposeFirst < config.firstCom || config.exposeLast >= config.firstCom + config.ports))
        return bad("expose names ports the board does not have");
    if (auto e = checkFaultPorts(config)) return e;
    return config;
}

} // namespace vboard
