// Keystroke to byte: from a key press in a connected console window to the
// byte being readable at the far end of a pseudo-terminal. Median and 99th
// percentile, each as a ratio to a direct one-byte write() on the same
// pseudo-terminal measured in the same run, the two interleaved. A reader
// thread stamps each arrival, so that the window's own work after the byte
// has gone (laying out the key in its pane) is not counted.
#include "bench/keyboard/arrivalclock.h"
#include "bench/support/fixedfileui.h"
#include "bench/support/quickoption.h"
#include "bench/support/rawpty.h"
#include "consoleui/allocator.h"
#include "consoleui/vesperlineview.h"
#include "portio/devicenamespace.h"
#include "shell/splitterframe.h"
#include "shell/vesperlinedoc.h"
#include "tests/console/consolewindow.h"
#include "tests/support/testdevices.h"

#include <QApplication>
#include <QKeyEvent>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double micros(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

double percentile(std::vector<double> v, double q)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(q * double(v.size())))];
}

struct Timing {
    std::vector<double> arrived; // us from the send until the byte is at the far end
    std::vector<double> returned; // us from the send until the sender has returned
};

// One byte at a time: from `send` starting until the byte the far end has
// waited for (the `expected`th in all) arrives, and until `send` returns.
template <class Send> void oneByte(ArrivalClock& arrivals, uint64_t& expected, Timing& timing, Send send)
{
    const auto start = Clock::now();
    send();
    timing.returned.push_back(micros(Clock::now() - start));
    const auto arrived = arrivals.awaitTotal(++expected);
    if (!arrived) {
        std::fprintf(stderr, "byte %llu did not arrive alone at the far end\n", (unsigned long long)expected);
        std::exit(1);
    }
    timing.arrived.push_back(micros(*arrived - start));
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    returnLargeBlocksToTheSystem(); // as the program does at start-up
    RawPty pty;
    if (!testDevices().define("COM2", pty.path).ok()) return 1;
    FixedFileUi ui { QString() }; // no dialogs here; a message goes to stderr
    ConsoleParts parts { ui };
    auto frame = std::make_unique<CSplitterFrame>(new CVesperlineDoc, parts.environment);
    CVesperlineView& view = *frame->m_pConsoleView;
    view.m_portCtx.portName = "COM2";
    if (!view.OpenPort()) return 1;

    const int rounds = quickRun(argc, argv) ? 500 : 4000;
    Timing keys, writes;
    ArrivalClock arrivals(pty.master);
    uint64_t expected = 0;
    for (int i = 0; i < rounds; ++i) {
        if (i % 200 == 0) view.clear(); // keep the pane's line short: the port path is measured
        oneByte(arrivals, expected, keys, [&] {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
            QApplication::sendEvent(&view, &press);
        });
        oneByte(arrivals, expected, writes, [&] {
            if (::write(pty.slave, "a", 1) != 1) std::abort();
        });
    }
    const double keyMedian = percentile(keys.arrived, 0.5), writeMedian = percentile(writes.arrived, 0.5);
    const double keyP99 = percentile(keys.arrived, 0.99), writeP99 = percentile(writes.arrived, 0.99);
    std::printf("keystroke to byte at the far end of a pty, %d keys, arrival stamped by a reader thread:\n", rounds);
    std::printf("  median: %.1f us, a direct one-byte write() %.1f us\n", keyMedian, writeMedian);
    // Work the handler does after its write is not in the figure; what it does before is.
    std::printf("  the key's handler returns after %.1f us (median)\n", percentile(keys.returned, 0.5));
    std::printf("  99th percentile: %.1f x a direct one-byte write() (its own 99th percentile)\n", keyP99 / writeP99);
    printFigure("keystroke.median_vs_write", keyMedian / writeMedian, "<=1.5", keyMedian / writeMedian <= 1.5);
    view.ClosePort();
    return 0;
}
