#pragma once

#include <cstdint>
#include <string>

namespace verify {

// What a receiver found wrong with the traffic it expected, in bytes.
struct StreamCounts {
    uint64_t lost = 0;
    uint64_t corrupt = 0;
    uint64_t duplicate = 0;
    uint64_t reordered = 0;
    uint64_t misrouted = 0; // bytes that came from another port

    uint64_t total() const { return lost + corrupt + duplicate + reordered + misrouted; }
};

// Where a receiver first saw something wrong: the offset in what it received,
// and the bytes around it as expected and as received (hex, from up to 8
// bytes before the offset).
struct FirstError {
    uint64_t offset = 0;
    std::string expectedHex;
    std::string receivedHex;
};

} // namespace verify
