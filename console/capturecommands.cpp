#include "capturecommands.h"

#include "commandtable.h"
#include "consoletarget.h"
#include "sendcommands.h"

#include "res/commandids.h"
#include "res/texts.h"
#include "res/uiservices.h"

#include <QFile>
#include <QMetaObject>
#include <QPointer>

namespace {

// Runs on the user-interface thread. The capture may have been stopped, or a
// new one started, since the write failed: only the failed one is ended.
void captureWriteFailed(ConsoleTarget& view, uint64_t session, const QString& error)
{
    PortContext& ctx = view.m_portCtx;
    if (ctx.captureOn && ctx.captureFile.session() == session) view.StopCapture();
    view.ui().messageBox(QString::fromLatin1(txt::CaptureWriteFailed).arg(error));
}

// Called on the receive thread: hands the report over and returns at once.
// A window destroyed meanwhile drops it (the queued call dies with the view).
CaptureFile::FailureHandler failureReporter(ConsoleTarget& view)
{
    QPointer<QObject> alive(view.eventContext());
    ConsoleTarget* target = &view;
    return [alive, target](uint64_t session, const std::string& error) {
        const QString text = QString::fromStdString(error);
        QMetaObject::invokeMethod(
            alive.data(),
            [alive, target, session, text] {
                if (alive) captureWriteFailed(*target, session, text);
            },
            Qt::QueuedConnection);
    };
}

} // namespace

void OnStartCapture(ConsoleTarget& view)
{
    PortContext& ctx = view.m_portCtx;
    if (!requireConnection(view)) return;
    if (ctx.captureOn) {
        view.ui().messageBox(QString::fromLatin1(txt::CaptureAlreadyActive));
        return;
    }
    const auto path = view.ui().newOrExistingFileName(view.dialogParent());
    if (!path) return;
    if (!view.session().StartCapture(QFile::encodeName(*path).toStdString(), nullptr, failureReporter(view)))
        view.ui().messageBox(QString::fromLatin1(txt::FileCouldNotBeOpened));
}

void OnStopCapture(ConsoleTarget& view)
{
    view.StopCapture();
}

void registerCaptureCommands(ConsoleCommandTable& table)
{
    table.add(cmd::ID_START_CAPTURE, OnStartCapture);
    table.add(cmd::ID_STOP_CAPTURE, OnStopCapture);
}
