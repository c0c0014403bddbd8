#include "bench/support/capturerun.h"

#include "bench/support/fixedfileui.h"
#include "consoleui/vesperlineview.h"
#include "res/commandids.h"
#include "shell/splitterframe.h"
#include "shell/vesperlinedoc.h"
#include "tests/console/consolewindow.h"
#include "tests/support/testdevices.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

void discardUntil(const RawPty& pty, const std::atomic<bool>& fed)
{
    char buffer[65536];
    while (!fed) {
        pollfd p { pty.slave, POLLIN, 0 };
        if (::poll(&p, 1, 10) == 1 && ::read(pty.slave, buffer, sizeof buffer) < 0) return;
    }
}

double catSeconds(const std::string& source, const std::string& target, size_t n)
{
    RawPty pty;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pty.slave, STDIN_FILENO);
        const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, STDOUT_FILENO);
        ::execlp("cat", "cat", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    while (fileSize(target) < 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1)); // cat has its output open
    const double s = feedUntil(pty, source, target, n, [](bool) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return true;
    });
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    return s;
}

double captureSeconds(const std::string& source, const std::string& target, size_t n)
{
    RawPty pty;
    testDevices().define("COM2", pty.path);
    FixedFileUi ui(QString::fromStdString(target));
    UiServices::install(&ui);
    double s = 0;
    {
        ConsoleParts parts;
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
    UiServices::install(nullptr);
    testDevices().undefine("COM2");
    return s;
}
