#include "diagnosticsmenu.h"

#include "mainframe.h"

#include "res/commandids.h"

#include <QAction>
#include <QMenu>

namespace {

constexpr const char* MenuTitle = "Diagnostics";

constexpr DiagnosticsItem Items[] = {
    { "Install profile N (32782)", cmd::ID_INSTALL_PROFILE_N },
    { "Reset custom mode (32783)", cmd::ID_RESET_CUSTOM },
    { "Install profile D (32785)", cmd::ID_INSTALL_PROFILE_D },
    { "Define alias ZUZARE2 (32786)", cmd::ID_DEFINE_ALIAS },
    { "Timed write... (32787)", cmd::ID_TIMED_WRITE },
    { "Show result 1 (32788)", cmd::ID_SHOW_RESULT_1 },
    { "Show result 2 (32789)", cmd::ID_SHOW_RESULT_2 },
    { "Firmware reset (32794)", cmd::ID_FIRMWARE_RESET },
    { "Dump UART (32795)", cmd::ID_DUMP_UART },
};

} // namespace

QMenu* buildDiagnosticsMenu(CMainFrame& frame)
{
    auto* menu = new QMenu(QString::fromLatin1(MenuTitle), &frame);
    for (const DiagnosticsItem& item : Items) {
        QAction* action = menu->addAction(QString::fromLatin1(item.text));
        action->setData(item.id);
        QObject::connect(action, &QAction::triggered, &frame, [&frame, id = item.id] { frame.sendCommand(id); });
    }
    // Greyed while no console window can take the commands.
    QObject::connect(menu, &QMenu::aboutToShow, menu, [&frame, menu] {
        const bool ready = frame.activeView() != nullptr;
        for (QAction* action : menu->actions())
            action->setEnabled(ready);
    });
    return menu;
}

void addDiagnosticsMenu(CMainFrame& frame)
{
    frame.addConsoleMenu(buildDiagnosticsMenu(frame));
}
