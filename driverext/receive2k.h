#pragma once

#include "messagesink.h"
#include "setupsequence.h"

#include "portio/devicenamespace.h"

#include <chrono>
#include <functional>
#include <string>

namespace driverext {

constexpr size_t RECEIVE_2K_BYTES = 2048;
constexpr std::chrono::milliseconds RECEIVE_2K_LIMIT { 20000 };

struct Receive2KOptions {
    // How long the test waits for the bytes; the product waits 20 s.
    std::chrono::milliseconds limit = RECEIVE_2K_LIMIT;
    // Called every few milliseconds while the test waits, so the caller can
    // keep its windows painted. Empty: the wait simply blocks.
    std::function<void()> pump;
    SetupOptions setup;
};

enum class Receive2KOutcome : uint8_t {
    NotOpened, // "The port could not be opened"
    TimeoutsFailed, // "GetTimeouts failed" or "setTimeouts failed" before the read
    ReadFailed, // the read could not start or ended with an error
    TimedOut, // fewer than 2,048 bytes within the limit
    Completed, // 2,048 bytes arrived
};

// The Receive 2K test once the user has picked a port: opens it read-only,
// asks for no events, installs profile N with the letter 'N' as one byte,
// lifts the read time-outs, waits for 2,048 bytes, puts the time-outs back
// and closes the port on every path. Bytes that arrived after the open count.
Receive2KOutcome runReceive2K(portio::DeviceNamespace& devices, const std::string& portName, const MessageSink& sink,
    const Receive2KOptions& options = {});

} // namespace driverext
