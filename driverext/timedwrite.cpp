#include "timedwrite.h"

#include "portio/devicepath.h"
#include "res/texts.h"

#include <vector>

namespace driverext {

namespace {

bool writeBlock(portio::Port& port)
{
    const std::vector<uint8_t> block(TIMED_WRITE_BYTES, 0);
    const portio::IoResult result = port.write(block.data(), block.size());
    return result.ok() || result.error.code == portio::ErrorCode::TimedOut;
}

TimedWriteOutcome runOnPort(portio::Port& port, const MessageSink& sink)
{
    const portio::Result<portio::CommTimeouts> saved = port.getTimeouts();
    if (!saved.ok()) {
        say(sink, txt::GetTimeoutsFailed);
        return TimedWriteOutcome::TimeoutsFailed;
    }
    portio::CommTimeouts limited = saved.value();
    limited.WriteTotalTimeoutMultiplier = 0;
    limited.WriteTotalTimeoutConstant = TIMED_WRITE_LIMIT_MS;
    if (!port.setTimeouts(limited).ok()) {
        say(sink, txt::SetTimeoutsFailed);
        return TimedWriteOutcome::TimeoutsFailed;
    }
    const bool written = writeBlock(port);
    if (!written) say(sink, txt::WriteFileFailed);
    if (!port.setTimeouts(saved.value()).ok()) say(sink, txt::SetTimeoutsFailed);
    return written ? TimedWriteOutcome::Written : TimedWriteOutcome::WriteFailed;
}

} // namespace

TimedWriteOutcome runTimedWrite(portio::DeviceNamespace& devices, const std::string& portName, const MessageSink& sink)
{
    portio::Result<portio::PortPtr> opened = devices.open(portio::devicePath(portName), portio::Access::ReadWrite);
    if (!opened.ok()) {
        say(sink, txt::PortCouldNotBeOpened);
        return TimedWriteOutcome::NotOpened;
    }
    portio::Port& port = *opened.value();
    const TimedWriteOutcome outcome = runOnPort(port, sink);
    port.close();
    return outcome;
}

} // namespace driverext
