#include "testpattern.h"

#include <algorithm>

namespace verify {

namespace {

constexpr uint8_t SyncNibble = 0xA;
constexpr size_t HeaderSize = 13; // sync, 3 id nibbles, 8 number nibbles, check

uint64_t mix(uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

uint8_t checkNibble(const uint8_t* nibbles, size_t n)
{
    unsigned sum = 5;
    for (size_t i = 0; i < n; ++i)
        sum = (sum * 3 + nibbles[i]) & 0xF;
    return uint8_t(sum);
}

} // namespace

TestPattern::TestPattern(int dataBits, uint64_t runKey, std::vector<uint8_t> avoid)
    : m_dataBits(std::clamp(dataBits, 5, 8))
    , m_runKey(runKey)
    , m_avoid(std::move(avoid))
{
}

bool TestPattern::canAvoid(int dataBits, const std::vector<uint8_t>& avoid)
{
    const unsigned uppers = 1u << (std::clamp(dataBits, 5, 8) - 5);
    // Every character the pattern uses in bits 0-4 needs one choice above them that is not avoided.
    for (unsigned low = 0; low < 0x20; ++low) {
        if ((low & 0x10) && low != (0x10 | SyncNibble)) continue;
        unsigned free = 0;
        for (unsigned u = 0; u < uppers; ++u)
            free += std::find(avoid.begin(), avoid.end(), uint8_t(low | u << 5)) == avoid.end() ? 1 : 0;
        if (!free) return false;
    }
    return true;
}

bool TestPattern::avoided(uint8_t c) const
{
    return std::find(m_avoid.begin(), m_avoid.end(), c) != m_avoid.end();
}

TestPattern::Frame TestPattern::frame(uint32_t source, uint64_t number) const
{
    Frame f {};
    uint8_t nib[FrameSize] {};
    nib[0] = SyncNibble;
    for (int i = 0; i < 3; ++i)
        nib[1 + i] = (source >> (4 * i)) & 0xF;
    // The number is keyed by the source, so that two ports' headers differ
    // in most nibbles, not just in the id.
    const uint64_t key = mix(source ^ m_runKey);
    for (int i = 0; i < 8; ++i)
        nib[4 + i] = ((number ^ key) >> (4 * i)) & 0xF;
    nib[12] = checkNibble(nib + 1, 11);
    const uint64_t r = mix((uint64_t(source) << 40) ^ number ^ m_runKey);
    for (int i = 13; i < 16; ++i)
        nib[i] = (r >> (4 * i)) & 0xF;
    const unsigned upperMask = (1u << (m_dataBits - 5)) - 1;
    for (size_t i = 0; i < FrameSize; ++i) {
        unsigned upper = (r >> (3 * i)) & upperMask;
        const unsigned low = nib[i] | (i == 0 ? 0x10 : 0);
        for (unsigned tries = 0; tries < upperMask && avoided(uint8_t(low | upper << 5)); ++tries)
            upper = (upper + 1) & upperMask;
        f[i] = uint8_t(low | (upper << 5));
    }
    return f;
}

uint8_t TestPattern::byteAt(uint32_t source, uint64_t offset) const
{
    const uint64_t number = offset / FrameSize;
    if (source != m_cachedSource || number != m_cachedNumber) {
        m_cached = frame(source, number);
        m_cachedSource = source;
        m_cachedNumber = number;
    }
    return m_cached[offset % FrameSize];
}

void TestPattern::fill(uint32_t source, uint64_t offset, uint8_t* out, size_t n) const
{
    while (n) {
        byteAt(source, offset); // makes the frame
        const size_t in = offset % FrameSize, k = std::min(n, FrameSize - in);
        std::copy_n(m_cached.begin() + ptrdiff_t(in), k, out);
        out += k;
        offset += k;
        n -= k;
    }
}

size_t TestPattern::matching(uint32_t source, uint64_t offset, const uint8_t* p, size_t n) const
{
    size_t done = 0;
    while (done < n) {
        byteAt(source, offset + done);
        const size_t in = (offset + done) % FrameSize, k = std::min(n - done, FrameSize - in);
        const auto* frame = m_cached.data() + in;
        const auto miss = std::mismatch(frame, frame + k, p + done).first - frame;
        done += size_t(miss);
        if (size_t(miss) < k) break;
    }
    return done;
}

std::optional<TestPattern::Origin> TestPattern::frameAt(const uint8_t* p, size_t n) const
{
    if (n < HeaderSize || (p[0] & 0x1F) != (0x10 | SyncNibble)) return std::nullopt;
    uint32_t source = 0;
    uint64_t number = 0;
    for (int i = 0; i < 3; ++i)
        source |= uint32_t(p[1 + i] & 0xF) << (4 * i);
    for (int i = 0; i < 8; ++i)
        number |= uint64_t(p[4 + i] & 0xF) << (4 * i);
    number = (number ^ mix(source ^ m_runKey)) & 0xFFFFFFFFu;
    const Frame f = frame(source, number);
    if (!std::equal(p, p + std::min(n, FrameSize), f.begin())) return std::nullopt;
    return Origin { source, number * FrameSize };
}

} // namespace verify
