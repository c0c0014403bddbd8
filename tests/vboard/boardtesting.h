#pragma once

#include "vboard/virtualboard.h"

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <vector>

namespace vboardtest {

// Sanitized builds run several times slower on a shared machine; the timing
// checks keep their lower bounds (the board must never be faster than the
// line) and relax only how late the engine may be.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr double LateTolerance = 0.5;
#else
inline constexpr double LateTolerance = 0.1;
#endif

inline portio::PortPtr openPort(vboard::VirtualBoard& board, int index)
{
    auto r = board.open(index, portio::Access::ReadWrite);
    EXPECT_TRUE(r.ok()) << r.error().text;
    return r.ok() ? std::move(r.value()) : nullptr;
}

// Null-modem pairs: 0 with 1, 2 with 3, ...
inline vboard::BoardConfig pairs(int ports = 4)
{
    vboard::BoardConfig c;
    c.ports = ports;
    c.wiring = vboard::Wiring::Pairs;
    return c;
}

inline portio::Dcb line(uint32_t baud)
{
    portio::Dcb d;
    d.BaudRate = baud;
    return d;
}

inline std::vector<uint8_t> pattern(size_t n)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = uint8_t(i * 7 + i / 256);
    return v;
}

// Reads n bytes, giving up after a generous limit.
inline std::vector<uint8_t> readBytes(portio::Port& port, size_t n)
{
    portio::CommTimeouts t;
    t.ReadTotalTimeoutConstant = 10000;
    EXPECT_FALSE(port.setTimeouts(t));
    std::vector<uint8_t> v(n);
    const auto r = port.read(v.data(), n);
    EXPECT_TRUE(r.ok()) << r.error.text;
    v.resize(r.count);
    return v;
}

inline double seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

} // namespace vboardtest
