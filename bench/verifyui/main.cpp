// What the Verify Ports window costs the interface thread while a run on 96
// ports goes on: one refresh (table, tiles, summary, progress bar, first
// error, and the repaint that follows) measured in process CPU time, as a
// share of one core at the window's refresh rate. Two loads: counters change
// on every refresh (tiles keep their state), and every tile changes its state
// every time. The figure comes from the heavier load driven by a timer at the
// window's own rate: process CPU seconds over the wall seconds of the same
// stretch, so one core's second measured alongside is the reference.
#include "bench/support/figure.h"
#include "bench/support/fixedfileui.h"
#include "verifyui/verifywindow.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

double cpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double wallSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

verifyui::VerifyPlan plan(int ports)
{
    verifyui::VerifyPlan p;
    for (int i = 0; i < ports; ++i) {
        p.ports.push_back("COM" + std::to_string(i + 3));
        p.sources.push_back(i);
    }
    p.settings.line.baud = 115200;
    p.settings.duration = std::chrono::seconds(3600);
    return p;
}

verify::Progress progressAt(int ports, int step, bool flipStates)
{
    verify::Progress p;
    p.elapsedS = step * 0.25;
    p.ports = ports;
    for (int i = 0; i < ports; ++i) {
        verify::PortProgress l;
        l.phase = verify::PortProgress::Phase::Running;
        l.device = "vboard:" + std::to_string(i);
        l.sent = uint64_t(step) * 2880 + uint64_t(i);
        l.received = l.sent - uint64_t(i % 7);
        // Every other refresh each tile turns from clean to error and back.
        if (flipStates && (step + i) % 2) l.stream.corrupt = 1;
        p.bytesSent += l.sent;
        p.bytesReceived += l.received;
        p.lanes.push_back(l);
    }
    return p;
}

// CPU seconds per refresh, over `seconds` of refreshing.
double costPerRefresh(verifyui::VerifyWindow& window, int ports, bool flipStates, double seconds)
{
    int steps = 0;
    const double wallEnd = wallSeconds() + seconds;
    const double start = cpuSeconds();
    while (wallSeconds() < wallEnd) {
        window.showProgress(progressAt(ports, ++steps, flipStates));
        QApplication::processEvents(); // the repaint
    }
    return (cpuSeconds() - start) / steps;
}

// CPU seconds per wall second while a timer refreshes the window at its
// own rate for `seconds`, every tile changing state each time.
double cpuPerSecondAtRefreshRate(verifyui::VerifyWindow& window, int ports, double seconds)
{
    int steps = 0;
    QTimer timer;
    timer.setInterval(verifyui::VerifyWindow::RefreshMs);
    QObject::connect(&timer, &QTimer::timeout, [&] { window.showProgress(progressAt(ports, ++steps, true)); });
    const double wallStart = wallSeconds();
    const double start = cpuSeconds();
    timer.start();
    QEventLoop loop; // idles between refreshes as the program's own loop does
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    timer.stop();
    return (cpuSeconds() - start) / (wallSeconds() - wallStart);
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const double seconds = quickRun(argc, argv) ? 0.5 : argc > 1 ? std::atof(argv[1]) : 3.0;
    const int ports = 96;
    portio::DeviceNamespace ns; // the window's run is never started
    FixedFileUi ui { QString() };
    verifyui::VerifyWindow window(ns, plan(ports), ui);
    window.show();
    QApplication::processEvents();
    const double perSecond = 1000.0 / verifyui::VerifyWindow::RefreshMs;
    std::printf(
        "Verify Ports window, %d ports, %.0f refreshes a second (target: at most 2%% of one core)\n", ports, perSecond);
    for (bool flip : { false, true }) {
        const double cost = costPerRefresh(window, ports, flip, seconds);
        std::printf("  %-34s %8.3f ms CPU per refresh = %6.2f%% of one core\n",
            flip ? "counters and every tile's state:" : "counters change, tiles keep state:", cost * 1e3,
            cost * perSecond * 100);
    }
    // Long enough for a dozen refreshes even in a quick run.
    const double share = cpuPerSecondAtRefreshRate(window, ports, std::max(seconds, 3.0));
    std::printf("  %-34s %8.4f CPU s per s\n", "refreshed by its own timer:", share);
    printFigure("verifyui.refresh_cpu_per_s", share, "<=0.02", share <= 0.02);
    return 0;
}
