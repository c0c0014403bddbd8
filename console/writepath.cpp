#include "writepath.h"

#include "consoletarget.h"

#include <memory>

int WriteBytes(ConsoleTarget& view, const void* buffer, size_t n)
{
    // Hold the port for the whole write: a close from elsewhere cannot free it under us.
    std::shared_ptr<portio::Port> port = view.m_portCtx.portHandle;
    if (!port) return 0;
    const portio::IoResult result = view.runWaiting([&] { return writeWhole(*port, buffer, n); });
    return result.ok() || result.count > 0 || result.error.code == portio::ErrorCode::TimedOut ? 1 : 0;
}

void writeAndWait(ConsoleTarget& view, const void* buffer, size_t n)
{
    WriteBytes(view, buffer, n);
}
