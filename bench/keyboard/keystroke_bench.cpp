// Keystroke to byte: from a key press in a connected console window to the
// byte being readable at the far end of a pseudo-terminal. Median and 99th
// percentile, each as a ratio to a direct one-byte write() on the same
// pseudo-terminal measured in the same run, the two interleaved.
#include "bench/support/fixedfileui.h"
#include "bench/support/quickoption.h"
#include "bench/support/rawpty.h"
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
#include <poll.h>
#include <pty.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Pty : RawPty {
    // Waits until one byte can be read at the far end and reads it.
    void awaitByte() const
    {
        pollfd p { master, POLLIN, 0 };
        char c;
        if (::poll(&p, 1, 5000) != 1 || ::read(master, &c, 1) != 1) std::abort();
    }
};

double micros(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

double percentile(std::vector<double> v, double q)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(q * double(v.size())))];
}

double keystroke(CVesperlineView& view, const Pty& pty)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    const auto start = Clock::now();
    QApplication::sendEvent(&view, &press);
    pty.awaitByte();
    return micros(Clock::now() - start);
}

double directWrite(const Pty& pty)
{
    const auto start = Clock::now();
    if (::write(pty.slave, "a", 1) != 1) std::abort();
    pty.awaitByte();
    return micros(Clock::now() - start);
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    Pty pty;
    if (!testDevices().define("COM2", pty.path).ok()) return 1;
    FixedFileUi ui { QString() }; // no dialogs here; a message goes to stderr
    ConsoleParts parts { ui };
    auto frame = std::make_unique<CSplitterFrame>(new CVesperlineDoc, parts.environment);
    CVesperlineView& view = *frame->m_pConsoleView;
    view.m_portCtx.portName = "COM2";
    if (!view.OpenPort()) return 1;

    const int rounds = quickRun(argc, argv) ? 500 : 4000;
    std::vector<double> keys, writes;
    for (int i = 0; i < rounds; ++i) {
        if (i % 200 == 0) view.clear(); // keep the pane's line short: the port path is measured
        keys.push_back(keystroke(view, pty));
        writes.push_back(directWrite(pty));
    }
    const double keyMedian = percentile(keys, 0.5), writeMedian = percentile(writes, 0.5);
    const double keyP99 = percentile(keys, 0.99), writeP99 = percentile(writes, 0.99);
    std::printf("keystroke to byte at the far end of a pty, %d keys:\n", rounds);
    std::printf("  median: %.1f us, a direct one-byte write() %.1f us\n", keyMedian, writeMedian);
    std::printf("  99th percentile: %.1f x a direct one-byte write() (its own 99th percentile)\n", keyP99 / writeP99);
    printFigure("keystroke.median_vs_write", keyMedian / writeMedian, "<=1.5", keyMedian / writeMedian <= 1.5);
    view.ClosePort();
    return 0;
}
