#include "receivethread.h"

#include "portcontext.h"
#include "recview.h"
#include "res/texts.h"
#include "vesperlineview.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

#include <algorithm>

Q_LOGGING_CATEGORY(lcRx, "vesperline.rx", QtInfoMsg)

namespace {

void deliver(PortContext& ctx, CRecView* pane, const uint8_t* chunk, uint32_t n)
{
    if (ctx.captureOn) ctx.captureFile.write(chunk, n);
    qCDebug(lcRx) << QByteArray(reinterpret_cast<const char*>(chunk), qsizetype(n));
    if (pane) pane->post(chunk, n);
}

// The line the pane shows when the port stops delivering while connected.
void reportStop(const PortContext& ctx, CRecView* pane, const portio::PortError& error)
{
    if (!pane) return;
    const char* format = error.code == portio::ErrorCode::DeviceGone ? txt::PortGone : txt::ReceiveStopped;
    const QString line
        = QString::fromLatin1(format).arg(QString::fromStdString(ctx.portName), QString::fromStdString(error.text));
    pane->post("\r\n" + line.toLatin1().toStdString() + "\r\n");
}

// Whether an error ends the thread: anything but a release by the user
// interface (which clears isConnected first, or aborts a single request).
bool ends(const portio::PortError& error)
{
    return error && error.code != portio::ErrorCode::Aborted;
}

} // namespace

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

int ReceiveThreadProc(CVesperlineView* view, CRecView* pane)
{
    PortContext& ctx = view->m_portCtx;
    portio::Port& port = *ctx.portHandle;
    if (auto failure = port.setCommMask(portio::EV_RXCHAR)) {
        // The port may be gone before the thread has started.
        if (failure.code == portio::ErrorCode::DeviceGone && ctx.isConnected) reportStop(ctx, pane, failure);
        return 0;
    }
    uint8_t buffer[RxChunkSize + 1];
    while (ctx.isConnected) {
        auto events = port.waitCommEvent();
        portio::PortError failure = events.error();
        if (events && (*events & portio::EV_RXCHAR)) {
            while (uint32_t n = ReadChunk(&ctx, buffer, RxChunkSize, &failure))
                deliver(ctx, pane, buffer, n);
        }
        if (ends(failure) && ctx.isConnected) {
            reportStop(ctx, pane, failure);
            break;
        }
    }
    return 1;
}
