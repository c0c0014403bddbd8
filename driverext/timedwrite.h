#pragma once

#include "messagesink.h"

#include "portio/devicenamespace.h"

#include <string>

namespace driverext {

constexpr size_t TIMED_WRITE_BYTES = 204800;
constexpr uint32_t TIMED_WRITE_LIMIT_MS = 1;

enum class TimedWriteOutcome : uint8_t {
    NotOpened, // "The port could not be opened"
    TimeoutsFailed, // "GetTimeouts failed" or "setTimeouts failed" before the write
    WriteFailed, // "Write file failed"
    Written, // the write ended, normally or at its time-out
};

// The timed write once the user has picked a port: opens it read-write,
// limits writes to 1 ms in total, writes 204,800 bytes at once, puts the
// time-outs back and closes the port on every path. The write runs on the
// port's present line settings.
//
// A write that its 1 ms limit cuts short is the point of the test (the block
// takes seconds at any baud rate), so it counts as done, as on the original
// platform where such a write reports success with a short count; only a
// write the port refuses or that ends with another error is a failure.
TimedWriteOutcome runTimedWrite(portio::DeviceNamespace& devices, const std::string& portName, const MessageSink& sink);

} // namespace driverext
