#pragma once

#include "portio/port.h"

#include <chrono>
#include <string>
#include <string_view>

// Two COM ports joined like the two ends of one cable: under Wine,
// scripts/test-windows links them to the ends of a pseudo-terminal pair
// (VESPERLINE_COM_PAIR=COM5,COM6). The near port is the one under test, the
// far port plays the other end of the line; both open through the Win32
// backend.
class ComPair {
public:
    ComPair();
    ~ComPair();
    ComPair(const ComPair&) = delete;
    ComPair& operator=(const ComPair&) = delete;

    // Why there is no pair to test on; empty when there is one.
    static std::string unavailable();
    // "\\.\COM5" and "\\.\COM6".
    static std::string nearPath();
    static std::string farPath();

    // Opens the near port for I/O (the caller's own handle).
    portio::Result<portio::PortPtr> open();
    // The far end: bytes it sends reach the near port; what the near port
    // sent can be read here (up to n, shorter when the limit passes first).
    bool farWrite(std::string_view bytes);
    std::string farRead(size_t n, std::chrono::milliseconds limit = std::chrono::seconds(5));
    portio::Port& farPort() { return *m_far; }

    // Empties the line both ways through the near port given: what earlier
    // cases left on the way (in the pseudo-terminals and the relay between
    // them, where no purge reaches) arrives ahead of a marker sent behind
    // it, and is read away up to the marker. False when a marker is lost.
    bool clearLine(portio::Port& nearPort);

private:
    portio::PortPtr m_far;
};

// All 256 byte values, repeated up to n bytes, in an order that shows a lost
// or moved byte.
std::string patternBytes(size_t n);
