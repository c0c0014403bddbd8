#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace verify {

// The bytes a port sends: frames of 16 characters, each frame carrying the
// sender's identity and the frame's number, so that a receiver can tell from
// a few bytes where any stretch of traffic came from and where it belongs.
//
// Every character carries a nibble in bits 0-3; bit 4 is set only in the
// frame's first character (0x1A in bits 0-4), and the bits above bit 4, where
// the data bits have room for them, are pseudo-random. So the pattern fits 5
// to 8 data bits, and neither XON (0x11) nor XOFF (0x13) ever occurs: those
// need bit 4 with a low nibble of 1 or 3. A port may use other characters
// for XON and XOFF: the pattern can be told to avoid them, by other bits
// above bit 4 where a character would be one of them.
//
// Frame: sync, source id (3 nibbles), frame number (8 nibbles), check nibble,
// 3 pseudo-random nibbles.
class TestPattern {
public:
    static constexpr size_t FrameSize = 16;
    static constexpr uint32_t MaxSources = 4096;

    // Runs with different keys send different bytes, so that a port that
    // hears another run's traffic (two runs on one cable) is not fooled by it.
    explicit TestPattern(int dataBits, uint64_t runKey = 0, std::vector<uint8_t> avoid = {});

    // Whether the pattern in this data width can do without these characters
    // (not with 5 data bits, where nothing is left above bit 4).
    static bool canAvoid(int dataBits, const std::vector<uint8_t>& avoid);

    int dataBits() const { return m_dataBits; }
    uint8_t byteAt(uint32_t source, uint64_t offset) const;
    void fill(uint32_t source, uint64_t offset, uint8_t* out, size_t n) const;
    // How many of the n bytes at p are the pattern's from offset on.
    size_t matching(uint32_t source, uint64_t offset, const uint8_t* p, size_t n) const;

    struct Origin {
        uint32_t source;
        uint64_t offset; // of the frame's first byte
    };
    // The frame that starts at p (n bytes available, at least 13 needed):
    // found only when every available byte of the frame is as it was sent.
    std::optional<Origin> frameAt(const uint8_t* p, size_t n) const;

private:
    using Frame = std::array<uint8_t, FrameSize>;
    Frame frame(uint32_t source, uint64_t number) const;

    bool avoided(uint8_t c) const;

    int m_dataBits;
    uint64_t m_runKey;
    std::vector<uint8_t> m_avoid;
    // The frame byteAt() made last: consecutive bytes share it.
    mutable uint32_t m_cachedSource = UINT32_MAX;
    mutable uint64_t m_cachedNumber = 0;
    mutable Frame m_cached {};
};

} // namespace verify
