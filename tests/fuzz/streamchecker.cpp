// The receive checker of the verified run, on what a damaged line may bring:
// the sender's pattern cut, repeated, damaged and mixed with other streams,
// in reads of any size. Every byte it is given must be counted, and none of
// them twice.
#include "verify/streamchecker.h"

#include <cstdint>
#include <vector>

namespace {

constexpr uint32_t Source = 3;

// Edits the pattern as the input says, three bytes an edit: what, how much,
// and a byte to damage with or a place to jump to.
std::vector<uint8_t> lineFrom(const verify::TestPattern& pattern, const uint8_t* data, size_t size, uint64_t& sent)
{
    std::vector<uint8_t> line;
    uint64_t pos = 0;
    for (size_t i = 0; i + 3 <= size && line.size() < 1 << 16; i += 3) {
        const size_t n = data[i + 1] % 64 + 1;
        const uint8_t arg = data[i + 2];
        const size_t at = line.size();
        switch (data[i] % 5) {
        case 0: // goes through
        case 1:
            line.resize(at + n);
            pattern.fill(Source, pos, line.data() + at, n);
            pos += n;
            break;
        case 2: // lost on the way
            pos += n;
            break;
        case 3: // damaged
            line.push_back(uint8_t(pattern.byteAt(Source, pos++) ^ (arg | 1)));
            break;
        case 4: // another stream, or this one from elsewhere
            line.resize(at + n);
            pattern.fill(arg % 4 ? Source : arg, pos - std::min<uint64_t>(pos, arg * 7u), line.data() + at, n);
            break;
        }
    }
    sent = pos;
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    const int dataBits = 5 + data[0] % 4;
    const size_t chunk = data[1] % 97 + 1;
    const verify::TestPattern pattern(dataBits);
    uint64_t sent = 0;
    const auto line = lineFrom(pattern, data + 2, size - 2, sent);
    verify::StreamChecker checker(dataBits, Source);
    for (size_t at = 0; at < line.size(); at += chunk)
        checker.feed(line.data() + at, std::min(chunk, line.size() - at));
    checker.finish(sent);
    const auto& c = checker.counts();
    if (checker.received() != line.size()) __builtin_trap();
    if (checker.good() + c.corrupt + c.misrouted > line.size()) __builtin_trap();
    return 0;
}
