// The value of --virtual-board: whatever it accepts must describe a board that
// can be built, and a refusal must say why.
#include "vboard/boardconfig.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool sane(const vboard::BoardConfig& c)
{
    return c.ports >= 1 && c.ports <= 256 && c.firstCom >= 1 && c.firstCom + c.ports - 1 <= 9999 && c.maxBaud >= 50
        && c.maxBaud <= 0x7FFFFFFF && c.queueSize >= 16 && c.queueSize <= (1u << 24);
}

// The accepted settings written out again as items must read back the same.
std::string itemsOf(const vboard::BoardConfig& c)
{
    return std::string("wiring=") + vboard::wiringName(c.wiring) + ",ports=" + std::to_string(c.ports)
        + ",first=" + std::to_string(c.firstCom) + ",maxbaud=" + std::to_string(c.maxBaud)
        + ",queue=" + std::to_string(c.queueSize);
}

bool same(const vboard::BoardConfig& a, const vboard::BoardConfig& b)
{
    return a.wiring == b.wiring && a.ports == b.ports && a.firstCom == b.firstCom && a.maxBaud == b.maxBaud
        && a.queueSize == b.queueSize;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view value(reinterpret_cast<const char*>(data), size);
    const auto config = vboard::parseBoardOption(value);
    if (!config) {
        if (config.error().text.empty()) __builtin_trap();
        return 0;
    }
    if (!sane(config.value())) __builtin_trap();
    const auto again = vboard::parseBoardOption(itemsOf(config.value()));
    if (!again || !same(again.value(), config.value())) __builtin_trap();
    return 0;
}
