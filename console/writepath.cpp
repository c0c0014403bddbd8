#include "writepath.h"

#include "consoletarget.h"

#include <memory>

namespace {

// 1 when the write was carried out (also when it ended short), 0 when it
// could not be started.
int judged(const portio::IoResult& result)
{
    return result.ok() || result.count > 0 || result.error.code == portio::ErrorCode::TimedOut ? 1 : 0;
}

} // namespace

int WriteBytes(ConsoleTarget& view, const void* buffer, size_t n)
{
    // Hold the port for the whole write: a close from elsewhere cannot free it under us.
    std::shared_ptr<portio::Port> port = view.m_portCtx.portHandle;
    if (!port) return 0;
    // Most writes complete at once (the driver has room); only what is left
    // waits, on a helper thread, so a keystroke costs little more than write().
    const portio::IoResult now = port->writeNow(buffer, n);
    if (now.count > 0) view.session().noteSent(now.count);
    if (!now.ok()) port->clearCommError();
    if (!now.ok() || now.count == n) return judged(now);
    const auto* rest = static_cast<const char*>(buffer) + now.count;
    // The session holds the port for the rest and reports what it moved.
    const portio::IoResult result = view.runWaiting([&] { return view.session().write(rest, n - now.count); });
    return judged({ now.count + result.count, result.error });
}

void writeAndWait(ConsoleTarget& view, const void* buffer, size_t n)
{
    WriteBytes(view, buffer, n);
}
