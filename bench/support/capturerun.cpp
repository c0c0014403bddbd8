#include "bench/support/capturerun.h"

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
    testDevices().define("COM2", pty.path);
    FixedFileUi ui(QString::fromStdString(target));
    double s = 0;
    {
        ConsoleParts parts { ui };
        CSplitterFrame frame(new CVesperlineDoc, parts.environment);
        frame.resize(900, 600);
        frame.show();
        CVesperlineView& view = *frame.m_pConsoleView;
        view.m_portCtx.portName = "COM2";
        if (!view.OpenPort() || !view.runCommand(cmd::ID_START_CAPTURE)) std::abort();
        s = feedUntil(pty, source, target, n, [](bool) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            return true;
        });
        view.ClosePort();
    }
    testDevices().undefine("COM2");
    return s;
}
