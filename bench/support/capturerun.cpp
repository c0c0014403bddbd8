#include "bench/support/capturerun.h"
#include "bench/support/benchwindow.h"
#include "bench/support/eventwait.h"

#include "bench/support/fixedfileui.h"
#include "consoleui/vesperlineview.h"
#include "res/commandids.h"
#include "shell/splitterframe.h"
#include "shell/vesperlinedoc.h"
#include "tests/console/consolewindow.h"
#include "tests/support/testdevices.h"

#include <QCoreApplication>

#include <cstdlib>

double captureSeconds(const std::string& source, const std::string& target, size_t n)
{
    RawPty pty;
    BenchWindow window(pty.path, QString::fromStdString(target));
    if (!window.view().runCommand(cmd::ID_START_CAPTURE)) std::abort();
    EventWait events;
    return feedUntil(pty, source, target, n, [&events](bool) {
        events.turn();
        return true;
    });
}
