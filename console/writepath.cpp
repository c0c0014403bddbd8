#include "writepath.h"

#include "consoletarget.h"

#include <memory>

int WriteBytes(ConsoleTarget& view, const void* buffer, size_t n)
{
    // The session holds the port for the whole write and reports what it moved.
    if (!view.m_portCtx.portHandle) return 0;
    const portio::IoResult result = view.runWaiting([&] { return view.session().write(buffer, n); });
    return result.ok() || result.count > 0 || result.error.code == portio::ErrorCode::TimedOut ? 1 : 0;
}

void writeAndWait(ConsoleTarget& view, const void* buffer, size_t n)
{
    WriteBytes(view, buffer, n);
}
