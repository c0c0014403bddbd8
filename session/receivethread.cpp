#include "receivethread.h"

#include "portcontext.h"
#include "res/texts.h"

#include <algorithm>
#include <string>

namespace {

void deliver(PortContext& ctx, const ReceiveSink& sink, const ReadCount& counted, const uint8_t* chunk, uint32_t n)
{
    if (counted) counted(n);
    if (ctx.captureOn) ctx.captureFile.write(chunk, n);
    if (sink) sink(std::string_view(reinterpret_cast<const char*>(chunk), n));
}

void reportStop(const PortContext& ctx, const ReceiveSink& sink, const portio::PortError& error)
{
    if (!sink) return;
    const char* format = error.code == portio::ErrorCode::DeviceGone ? txt::PortGone : txt::ReceiveStopped;
    sink("\r\n" + receiveStopLine(format, ctx.portName, error.text) + "\r\n");
}

// Whether an error ends the thread: anything but a release by the user
// interface (which clears isConnected first, or aborts a single request).
bool ends(const portio::PortError& error)
{
    return error && error.code != portio::ErrorCode::Aborted;
}

// The pane shows bytes as Latin-1: a UTF-8 text (a localised OS message) is
// turned into Latin-1 bytes, '?' for what Latin-1 has no byte for.
std::string latin1FromUtf8(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += char(c);
            continue;
        }
        const size_t extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0; // 0: a stray continuation byte
        const bool twoByteLatin1 = (c == 0xC2 || c == 0xC3) && i + 1 < text.size();
        out += twoByteLatin1 ? char(((c & 0x03) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3F)) : '?';
        i += std::min(extra, text.size() - 1 - i);
    }
    return out;
}

} // namespace

std::string receiveStopLine(const char* format, const std::string& portName, const std::string& error)
{
    // One pass, so that a %2 inside the port name is not replaced again.
    std::string line;
    for (const char* p = format; *p; ++p) {
        if (p[0] == '%' && (p[1] == '1' || p[1] == '2')) {
            line += latin1FromUtf8(*++p == '1' ? portName : error);
            continue;
        }
        line += *p;
    }
    return line;
}

uint32_t ReadChunk(PortContext* ctx, uint8_t* buffer, uint32_t maxLength, portio::PortError* failure)
{
    if (!ctx || !ctx->portHandle) return 0;
    portio::Port& port = *ctx->portHandle;
    auto stat = port.clearCommError();
    if (!stat) {
        if (failure) *failure = stat.error();
        return 0;
    }
    if (stat->cbInQue == 0) return 0;
    auto result = port.read(buffer, std::min(stat->cbInQue, maxLength));
    if (!result.ok()) {
        port.clearCommError(); // clears the error state the failed read left
        if (failure) *failure = result.error;
    }
    return uint32_t(result.count);
}

int ReceiveThreadProc(PortContext& ctx, const ReceiveSink& sink, const ReadCount& counted)
{
    portio::Port& port = *ctx.portHandle;
    if (auto failure = port.setCommMask(portio::EV_RXCHAR)) {
        // The port may be gone before the thread has started.
        if (failure.code == portio::ErrorCode::DeviceGone && ctx.isConnected) reportStop(ctx, sink, failure);
        return 0;
    }
    uint8_t buffer[RxChunkSize + 1];
    while (ctx.isConnected) {
        // The capture gathers chunks while data streams; what it holds goes
        // to the file as soon as the line is quiet.
        if (ctx.captureOn) ctx.captureFile.flush();
        auto events = port.waitCommEvent();
        portio::PortError failure = events.error();
        if (events && (*events & portio::EV_RXCHAR)) {
            while (uint32_t n = ReadChunk(&ctx, buffer, RxChunkSize, &failure))
                deliver(ctx, sink, counted, buffer, n);
        }
        if (ends(failure) && ctx.isConnected) {
            reportStop(ctx, sink, failure);
            break;
        }
    }
    // A thread that ends with the line (device gone) leaves nothing it read
    // waiting in the gather buffer: the file is complete while the window
    // still shows the port as connected.
    if (ctx.captureOn) ctx.captureFile.flush();
    return 1;
}
