#pragma once

#include "portio/devicenamespace.h"
#include "tests/support/ptypair.h"
#include "vboard/virtualboard.h"

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

// The far end of the line a session connects to, on one backend: a
// pseudo-terminal pair or a pair of virtual board ports wired to each other.
// Each line has its own device namespace; no process-wide state.
class SessionLine {
public:
    virtual ~SessionLine() = default;
    // The name the session opens ("COM..."), defined in devices().
    virtual std::string portName() const = 0;
    // Bytes the session's port receives; false if there was no room for
    // them within the patience (a closed port reads nothing).
    virtual bool send(std::string_view bytes, std::chrono::milliseconds patience = std::chrono::seconds(5)) = 0;
    // True once the far end has seen something the session wrote.
    virtual bool farHasBytes() = 0;
    // The far end goes away: the session's port reports the device gone.
    virtual void hangUp() = 0;

    portio::DeviceNamespace& devices() { return m_devices; }

protected:
    portio::DeviceNamespace m_devices;
};

std::unique_ptr<SessionLine> makePtyLine();
std::unique_ptr<SessionLine> makeBoardLine();
// A real UART pair named by the environment (tests/support/uartpeer.h); null without one.
std::unique_ptr<SessionLine> makeUartLine();
