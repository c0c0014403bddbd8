// Responsiveness of the user interface while the load run keeps the 96 ports
// of the default virtual board busy at 115,200 baud: how late a 1 ms
// single-shot timer fires on the user-interface thread (median and 99th
// percentile), as a ratio to the same figures with no run, measured in the
// same process with the same console window showing, idle and loaded phases
// taking turns.
//
// Length of each phase: --latency-seconds=N (default 5; 2 with --quick).
#include "bench/support/figure.h"
#include "bench/support/fixedfileui.h"
#include "consoleui/allocator.h"
#include "consoleui/vesperlineview.h"
#include "portio/devicenamespace.h"
#include "res/commandids.h"
#include "shell/splitterframe.h"
#include "shell/vesperlinedoc.h"
#include "tests/console/consolewindow.h"
#include "tests/support/testdevices.h"
#include "torture/torturerun.h"
#include "vboard/boardinstall.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Micros = std::chrono::duration<double, std::micro>;

struct Latency {
    double median = 0;
    double p99 = 0;
};

double percentile(std::vector<double>& values, double share)
{
    const size_t at = std::min(values.size() - 1, size_t(share * double(values.size())));
    std::nth_element(values.begin(), values.begin() + long(at), values.end());
    return values[at];
}

// Fires a 1 ms single-shot timer again and again for `length` and records
// how much later than due each one ran.
void timerLateness(std::chrono::milliseconds length, std::vector<double>& late)
{
    QEventLoop loop;
    const auto end = Clock::now() + length;
    std::function<void()> arm = [&] {
        const auto due = Clock::now() + std::chrono::milliseconds(1);
        QTimer::singleShot(1, Qt::PreciseTimer, [&, due] {
            late.push_back(std::max(0.0, Micros(Clock::now() - due).count()));
            if (Clock::now() < end)
                arm();
            else
                loop.quit();
        });
    };
    arm();
    loop.exec();
}

Latency summary(std::vector<double>& late)
{
    return { percentile(late, 0.5), percentile(late, 0.99) };
}

// Idle and loaded phases take turns, so that a change in the machine's other
// load during the measurement falls on both alike.
constexpr int Rounds = 2;

int phaseSeconds(bool quick)
{
    std::ifstream cmdline("/proc/self/cmdline", std::ios::binary);
    const std::string key = "--latency-seconds=";
    for (std::string arg; std::getline(cmdline, arg, '\0');)
        if (arg.starts_with(key)) return std::max(1, std::atoi(arg.c_str() + key.size()));
    return quick ? 2 : 5;
}

double print(const char* what, double loaded, double idle)
{
    // A timer that is never late at all would make the ratio meaningless.
    idle = std::max(idle, 1.0);
    std::printf("  %s: %.2f (%.0f us against %.0f us with no run)\n", what, loaded / idle, loaded, idle);
    return loaded / idle;
}

int runTortureLatencyBench(bool quick)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int argc = 1;
    char name[] = "bench_console";
    char* argv[] = { name, nullptr };
    QApplication app(argc, argv);
    returnLargeBlocksToTheSystem(); // as the program does at start-up
    auto& ns = testDevices();
    vboard::installVirtualBoard(ns, vboard::BoardConfig {});
    FixedFileUi ui { QString() }; // no dialogs here; a message goes to stderr
    ConsoleParts parts { ui };
    CSplitterFrame frame(new CVesperlineDoc, parts.environment);
    frame.resize(900, 600);
    frame.show();
    const std::chrono::milliseconds length(phaseSeconds(quick) * 1000);

    std::vector<double> idleLate, loadedLate;
    for (int round = 0; round < Rounds; ++round) {
        timerLateness(length / Rounds, idleLate);
        frame.m_pConsoleView->runCommand(cmd::ID_TORTURE_START);
        if (!torture::TortureRun::instance().running()) {
            std::printf("event-loop latency: the load run did not start\n");
            return 1;
        }
        timerLateness(length / Rounds, loadedLate);
        frame.m_pConsoleView->runCommand(cmd::ID_TORTURE_STOP);
    }
    ns.removeBoard();
    const Latency idle = summary(idleLate), loaded = summary(loadedLate);

    std::printf("event-loop latency (1 ms timer lateness), 96 virtual ports at 115200 against no run:\n");
    print("median", loaded.median, idle.median);
    const double p99 = print("99th percentile", loaded.p99, idle.p99);
    printFigure("latency.p99_vs_idle", p99, "<=1.2", p99 <= 1.2);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return runTortureLatencyBench(quickRun(argc, argv));
}
