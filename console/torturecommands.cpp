#include "torturecommands.h"

#include "commandtable.h"
#include "connectcommands.h"
#include "consoletarget.h"

#include "portio/devicenamespace.h"
#include "res/commandids.h"
#include "res/uiservices.h"
#include "torture/torturerun.h"

void OnTortureParams(ConsoleTarget& view)
{
    view.editTortureParams();
}

void OnStartTest(ConsoleTarget& view)
{
    // Through Disconnect rather than a bare close, so the title stops
    // claiming a connection the window no longer has.
    OnDisconnectPort(view);
    auto& run = torture::TortureRun::instance();
    const auto show = [&ui = view.ui()](const std::string& text) { ui.messageBox(QString::fromStdString(text)); };
    if (run.start(view.session().devices(), torture::tortureParams(), show)) view.followTortureRun();
}

void OnStopTest(ConsoleTarget&)
{
    torture::TortureRun::instance().stop();
}

void registerTortureCommands(ConsoleCommandTable& table)
{
    table.add(cmd::ID_TORTURE_PARAMS, OnTortureParams);
    table.add(cmd::ID_TORTURE_START, OnStartTest);
    table.add(cmd::ID_TORTURE_STOP, OnStopTest);
}
