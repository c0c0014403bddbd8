#include "drivercommands.h"

#include "driverext/drivercommands.h"
#include "driverext/receive2k.h"
#include "driverext/timedwrite.h"
#include "portio/devicenamespace.h"

#include "commandtable.h"
#include "connectcommands.h"
#include "consoletarget.h"
#include "sendcommands.h"

#include "res/commandids.h"
#include "res/texts.h"
#include "res/uiservices.h"

#include <QCoreApplication>
#include <QThread>

#include <memory>
#include <string>

namespace {

using PortAction = void (*)(portio::Port&, const driverext::MessageSink&);

void showOnUiThread(UiServices& ui, const std::string& text)
{
    ui.messageBox(QString::fromStdString(text));
}

// The commands run their port work on a helper thread (runWaiting) so the
// windows stay painted; the connection cannot go away meanwhile because the
// busy window takes no commands and cannot be closed.
void onConnectedPort(ConsoleTarget& view, PortAction action)
{
    if (!requireConnection(view)) return;
    const std::shared_ptr<portio::Port> port = view.m_portCtx.portHandle;
    if (!port) return;
    view.runWaiting([&] { action(*port, messageBoxSink(view.ui())); });
}

// The test commands take the window's port over for themselves: the window
// lets its connection go, then the user names the port. A cancelled dialog
// keeps the name the window had, so the test runs on it unless it is "None".
bool choosePort(ConsoleTarget& view)
{
    OnDisconnectPort(view);
    view.chooseLineSettings();
    return view.m_portCtx.portName != txt::NoPortName;
}

} // namespace

driverext::MessageSink messageBoxSink(UiServices& ui)
{
    return [&ui](const std::string& text) {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app || QThread::currentThread() == app->thread()) {
            showOnUiThread(ui, text);
            return;
        }
        // Blocking, so the command's next step (aborting a read, say) waits
        // until the user has dismissed the message.
        QMetaObject::invokeMethod(
            app, [&ui, &text] { showOnUiThread(ui, text); }, Qt::BlockingQueuedConnection);
    };
}

driverext::Receive2KOptions& receive2KOptions()
{
    static driverext::Receive2KOptions options;
    return options;
}

void OnReceive2K(ConsoleTarget& view)
{
    if (!choosePort(view)) return;
    const std::string portName = view.m_portCtx.portName;
    const driverext::Receive2KOptions options = receive2KOptions();
    portio::DeviceNamespace& devices = view.session().devices();
    view.runWaiting([&] { return driverext::runReceive2K(devices, portName, messageBoxSink(view.ui()), options); });
}

void OnTimedWrite(ConsoleTarget& view)
{
    if (!choosePort(view)) return;
    const std::string portName = view.m_portCtx.portName;
    portio::DeviceNamespace& devices = view.session().devices();
    view.runWaiting([&] { return driverext::runTimedWrite(devices, portName, messageBoxSink(view.ui())); });
}

void OnInstallProfileN(ConsoleTarget& view)
{
    onConnectedPort(
        view, [](portio::Port& port, const driverext::MessageSink& sink) { driverext::installProfileN(port, sink); });
}

void OnInstallProfileD(ConsoleTarget& view)
{
    onConnectedPort(
        view, [](portio::Port& port, const driverext::MessageSink& sink) { driverext::installProfileD(port, sink); });
}

void OnResetCustom(ConsoleTarget& view)
{
    onConnectedPort(view, driverext::resetCustom);
}

void OnShowResult1(ConsoleTarget& view)
{
    onConnectedPort(view, driverext::showLastReadResult);
}

void OnShowResult2(ConsoleTarget& view)
{
    onConnectedPort(view, driverext::showLastReadResult2);
}

void OnFirmwareReset(ConsoleTarget& view)
{
    onConnectedPort(view, driverext::firmwareReset);
}

void OnDumpUart(ConsoleTarget& view)
{
    onConnectedPort(view, driverext::dumpUart);
}

// Needs no port and does not block: the alias lives in this process's names.
void OnDefineAlias(ConsoleTarget& view)
{
    driverext::defineAlias(view.session().devices(), messageBoxSink(view.ui()));
}

void registerDriverCommands(ConsoleCommandTable& table)
{
    table.add(cmd::ID_RECEIVE_2K, OnReceive2K);
    table.add(cmd::ID_INSTALL_PROFILE_N, OnInstallProfileN);
    table.add(cmd::ID_RESET_CUSTOM, OnResetCustom);
    table.add(cmd::ID_INSTALL_PROFILE_D, OnInstallProfileD);
    table.add(cmd::ID_DEFINE_ALIAS, OnDefineAlias);
    table.add(cmd::ID_TIMED_WRITE, OnTimedWrite);
    table.add(cmd::ID_SHOW_RESULT_1, OnShowResult1);
    table.add(cmd::ID_SHOW_RESULT_2, OnShowResult2);
    table.add(cmd::ID_FIRMWARE_RESET, OnFirmwareReset);
    table.add(cmd::ID_DUMP_UART, OnDumpUart);
}
