#include "terminal.h"

#include "bench/support/ptyfeed.h"
#include "toolpty.h"

#include <chrono>
#include <poll.h>
#include <sys/ioctl.h>
#include <thread>

namespace {

std::vector<std::string> tioArgv(const std::string& device, const std::string& log)
{
    return { "tio", "--log", "--log-file", log, device };
}

std::vector<std::string> picocomArgv(const std::string& device, const std::string& log)
{
    return { "picocom", "--logfile", log, device };
}

// Nothing waits in the pty for the program any more. poll() first moves what
// the kernel still holds on its way in, so the count that follows is whole.
bool inputDrained(const RawPty& pty)
{
    pollfd p { pty.slave, POLLIN, 0 };
    int queued = 0;
    return ::poll(&p, 1, 0) == 0 && ::ioctl(pty.slave, FIONREAD, &queued) == 0 && queued == 0;
}

constexpr auto RunLimit = std::chrono::minutes(5);

} // namespace

const std::vector<Terminal>& terminals()
{
    static const std::vector<Terminal> all {
        { "tio", tioArgv, "Connected", "\x14q" }, // ctrl-t q
        { "picocom", picocomArgv, "Terminal ready", "\x01\x18" }, // C-a C-x
    };
    return all;
}

TerminalRun runTerminal(const Terminal& terminal, const std::string& source, const std::string& target, size_t n)
{
    RawPty pty;
    ToolPty tool(terminal.argv(pty.path, target));
    if (!tool.waitForText(terminal.readyText, 10000))
        return { 0, "did not start (\"" + terminal.readyText + "\" not shown): " + tool.shown() };
    const auto end = std::chrono::steady_clock::now() + RunLimit;
    bool quitSent = false;
    TerminalRun run;
    run.seconds = feedUntil(pty, source, target, n, [&](bool fed) {
        // A program that keeps part of its log in memory writes it out as it quits.
        if (fed && !quitSent && inputDrained(pty)) {
            tool.type(terminal.quitKeys);
            quitSent = true;
        }
        if (std::chrono::steady_clock::now() > end)
            run.failure = "took longer than the limit";
        else if (tool.exited() && !quitSent)
            run.failure = "ended before it had read every byte";
        else if (!tool.exited()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return true;
        }
        return false;
    });
    return run;
}
