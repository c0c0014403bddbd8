#include "lineoptions.h"

#include <charconv>
#include <cmath>

namespace cli {

std::optional<std::chrono::milliseconds> parseDuration(const std::string& text)
{
    double v = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || !(v >= 0) || !std::isfinite(v)) return std::nullopt;
    const std::string unit(ptr, end);
    const double scale = unit == "ms" ? 1
        : unit.empty() || unit == "s" ? 1e3
        : unit == "m"                 ? 60e3
        : unit == "h"                 ? 3600e3
                                      : -1;
    if (scale < 0 || v * scale > 1e12) return std::nullopt;
    return std::chrono::milliseconds(int64_t(std::llround(v * scale)));
}

std::optional<uint8_t> parityCode(const std::string& name)
{
    static const char* names[] = { "none", "odd", "even", "mark", "space" };
    for (uint8_t i = 0; i < 5; ++i)
        if (name == names[i]) return i;
    return std::nullopt;
}

std::optional<uint8_t> stopBitsCode(const std::string& name)
{
    if (name == "1") return portio::ONESTOPBIT;
    if (name == "1.5") return portio::ONE5STOPBITS;
    if (name == "2") return portio::TWOSTOPBITS;
    return std::nullopt;
}

std::optional<verify::Flow> flowCode(const std::string& name)
{
    if (name == "none") return verify::Flow::None;
    if (name == "rtscts") return verify::Flow::RtsCts;
    if (name == "xonxoff") return verify::Flow::XonXoff;
    return std::nullopt;
}

std::optional<verify::ModemLines> modemLinesChoice(const std::string& name)
{
    if (name == "check") return verify::ModemLines::Check;
    if (name == "skip") return verify::ModemLines::Skip;
    return std::nullopt;
}

} // namespace cli
