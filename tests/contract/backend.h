#pragma once

#include "portio/port.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace contract {

// One Port backend as the contract cases see it: a device to open and the
// far end of its line, which the test plays. Each backend lives in a file of
// its own and registers itself; the cases never name a backend.
class Backend {
public:
    virtual ~Backend() = default;

    // Why this backend cannot run here (a program not installed); empty: it can.
    virtual std::string unavailable() const { return {}; }
    // Opens the device under test for reading and writing.
    virtual portio::Result<portio::PortPtr> open() = 0;

    // The far end of the line: bytes it sends reach the port, bytes the port
    // sends can be read here (up to n, shorter when the limit passes first).
    virtual bool farWrite(std::string_view bytes) = 0;
    virtual std::string farRead(size_t n, std::chrono::milliseconds limit) = 0;

    // Modem lines: whether the device has them, and the far end's side of
    // them (its outputs, and what it sees of the port's outputs).
    virtual bool hasModemLines() const { return false; }
    // Whether the cable carries them to the far end (three wires do not).
    virtual bool linesReachFarEnd() const { return hasModemLines(); }
    // Whether the device counts framing, parity, overrun and break errors.
    virtual bool hasLineCounters() const { return false; }
    virtual portio::Status farEscape(portio::EscapeFunction) { return portio::okStatus(); }
    virtual portio::Result<uint32_t> farModemStatus() { return uint32_t(0); }

    // Whether data bits, parity and stop bits read back as set (a
    // pseudo-terminal always carries 8 data bits without parity).
    virtual bool carriesFraming() const { return true; }
    // Whether the RTS and DTR control modes read back as set (Wine derives
    // them from the modem lines, which a pseudo-terminal does not have).
    virtual bool carriesLineModes() const { return true; }
    // Whether the device does DTR/DSR handshake. The shared policy refuses
    // it, as a Linux tty has no such flow control; Windows drivers carry it
    // out, so their backend takes it rather than refuse what the system has.
    virtual bool hasDsrHandshake() const { return false; }
    // A limit of the device beyond the shared refusal policy (a top rate,
    // what a protocol cannot express): the reason, or empty when none.
    virtual std::string deviceLimit(const portio::Dcb&) const { return {}; }
    // Why an aborted write cannot say how much of it left, or empty when it can
    // (Wine's serial layer over a pseudo-terminal loses the count).
    virtual std::string abortCountUnknown() const { return {}; }
};

struct BackendEntry {
    std::string name;
    std::function<std::unique_ptr<Backend>()> make;
};

// Every registered backend, in registration order.
const std::vector<BackendEntry>& backends();

// Registers a backend from a file's static initialisation.
struct RegisterBackend {
    RegisterBackend(std::string name, std::function<std::unique_ptr<Backend>()> make);
};

} // namespace contract
