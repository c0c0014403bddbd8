#include "receive2k.h"

#include "portio/devicepath.h"
#include "portio/iorequest.h"

#include <algorithm>
#include <array>

namespace driverext {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds PUMP_INTERVAL { 10 };

// Waits for the read in short steps so that the pump runs in between.
bool waitForRead(portio::IoRequest& read, const Receive2KOptions& options)
{
    if (!options.pump) return read.wait(options.limit);
    const auto deadline = std::chrono::steady_clock::now() + options.limit;
    for (;;) {
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
        if (read.wait(std::clamp(left, milliseconds(0), PUMP_INTERVAL))) return true;
        if (left <= PUMP_INTERVAL) return false;
        options.pump();
    }
}

// The read under the test time-outs. The buffer is declared before the
// request, so the request (whose destructor ends a pending read) goes first.
Receive2KOutcome readAndReport(portio::Port& port, const MessageSink& sink, const Receive2KOptions& options)
{
    std::array<uint8_t, RECEIVE_2K_BYTES> buffer;
    portio::IoRequest read;
    if (!read.startRead(port, buffer.data(), buffer.size()).ok()) {
        say(sink, txt::AsyncReadFailed);
        return Receive2KOutcome::ReadFailed;
    }
    if (!waitForRead(read, options)) {
        say(sink, txt::WaitTimedOut);
        read.cancel(); // only once the user has dismissed the message
        return Receive2KOutcome::TimedOut;
    }
    // With no read time-outs a read ends early only on an error (device
    // gone, aborted); that is not a completed read.
    if (!read.result().ok()) {
        say(sink, txt::AsyncReadFailed);
        return Receive2KOutcome::ReadFailed;
    }
    say(sink, txt::AsyncReadCompleted);
    return Receive2KOutcome::Completed;
}

Receive2KOutcome runOnPort(portio::Port& port, const MessageSink& sink, const Receive2KOptions& options)
{
    port.setCommMask(0);
    runSetupSequence(port, profileN(), LetterForm::OneByte, sink, options.setup);
    const portio::Result<portio::CommTimeouts> saved = port.getTimeouts();
    if (!saved.ok()) {
        say(sink, txt::GetTimeoutsFailed);
        return Receive2KOutcome::TimeoutsFailed;
    }
    portio::CommTimeouts test = saved.value();
    test.ReadIntervalTimeout = 0;
    test.ReadTotalTimeoutMultiplier = 0;
    test.ReadTotalTimeoutConstant = 0;
    if (!port.setTimeouts(test).ok()) {
        say(sink, txt::SetTimeoutsFailed);
        return Receive2KOutcome::TimeoutsFailed;
    }
    const Receive2KOutcome outcome = readAndReport(port, sink, options);
    if (!port.setTimeouts(saved.value()).ok()) say(sink, txt::SetTimeoutsFailed);
    return outcome;
}

} // namespace

Receive2KOutcome runReceive2K(portio::DeviceNamespace& devices, const std::string& portName, const MessageSink& sink,
    const Receive2KOptions& options)
{
    portio::Result<portio::PortPtr> opened = devices.open(portio::devicePath(portName), portio::Access::Read);
    if (!opened.ok()) {
        say(sink, txt::PortCouldNotBeOpened);
        return Receive2KOutcome::NotOpened;
    }
    portio::Port& port = *opened.value();
    const Receive2KOutcome outcome = runOnPort(port, sink, options);
    port.close();
    return outcome;
}

} // namespace driverext
