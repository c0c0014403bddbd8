// Memory of a console window while a long log streams into its receive pane
// from a pseudo-terminal: the process's resident memory after 1 GB against
// after 10 MB, both in the same process and window. The pane keeps a bounded
// number of lines and 10 MB fill it many times over, so what the window holds
// should not grow between the two; growth is a leak or an unbounded buffer.
#include "bench/memory/logfeed.h"
#include "bench/memory/residentmemory.h"
#include "bench/support/benchwindow.h"
#include "bench/support/figure.h"
#include "bench/support/fixedfileui.h"
#include "bench/support/rawpty.h"
#include "bench/support/windowcounts.h"
#include "consoleui/allocator.h"
#include "consoleui/recview.h"
#include "consoleui/vesperlineview.h"
#include "shell/splitterframe.h"
#include "shell/vesperlinedoc.h"
#include "tests/console/consolewindow.h"
#include "tests/support/testdevices.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QTextBlock>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

// No byte read for this long while bytes are due: the run has failed.
constexpr auto StallLimit = std::chrono::seconds(30);

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

double mib(uint64_t bytes)
{
    return double(bytes) / double(1 << 20);
}

QString lastLine(const CRecView& pane)
{
    return pane.document()->lastBlock().previous().text();
}

// Runs the event loop until the session has read exactly `total` bytes and
// the pane shows `marker` as its last line. False when the count stops
// moving for StallLimit first, or overshoots.
bool takeIn(const CSplitterFrame& frame, uint64_t total, const QString& marker)
{
    QTimer tick; // wakes the loop to look, also when nothing arrives
    tick.start(20);
    uint64_t seen = 0;
    auto moved = Clock::now();
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const uint64_t n = bytesRead(frame);
        if (n == total && lastLine(*frame.m_pRecView) == marker) return true;
        if (n != seen) {
            seen = n;
            moved = Clock::now();
        }
        if (n > total || Clock::now() - moved > StallLimit) {
            std::printf("  FAILED: the session read %llu of %llu bytes; the pane's last line is \"%s\"\n",
                (unsigned long long)n, (unsigned long long)total, qPrintable(lastLine(*frame.m_pRecView)));
            return false;
        }
    }
}

// The same quiet spell before each measurement: timers that follow an
// append (the drain, the strip's next look, the pane's return of freed
// memory once the line is quiet) have run.
void settle()
{
    QEventLoop loop;
    QTimer::singleShot(CRecView::QuietBeforeTrimMs + 300, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Sample {
    ResidentMemory memory;
    int lines = 0;
    int characters = 0;
    double seconds = 0;
};

void print(uint64_t bytes, const Sample& s)
{
    std::printf("  after %.0f MiB (%.1f s): RssAnon %.1f MiB, VmRSS %.1f MiB, heap in use %.1f MiB; "
                "pane %d lines, %d characters\n",
        mib(bytes), s.seconds, double(s.memory.anonKiB) / 1024, double(s.memory.totalKiB) / 1024,
        double(s.memory.heapInUseKiB) / 1024, s.lines, s.characters);
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    returnLargeBlocksToTheSystem(); // as the program does at start-up
    const bool quick = quickRun(argc, argv);
    const uint64_t small = uint64_t(10) << 20, large = quick ? uint64_t(100) << 20 : uint64_t(1) << 30;

    RawPty pty;
    BenchWindow window(pty.path);
    CSplitterFrame& frame = window.frame();

    std::printf("resident memory of one console window as a log streams into its receive pane from a pty%s:\n",
        quick ? " (--quick: 100 MiB in place of 1 GiB)" : "");
    LogFeed feed(pty.master);
    Sample at[2];
    const uint64_t totals[2] = { small, large };
    for (int i = 0; i < 2; ++i) {
        const QString marker = QStringLiteral("END %1").arg(i + 1);
        const auto start = Clock::now();
        feed.send(totals[i] - (i ? totals[i - 1] : 0), marker.toStdString());
        if (!takeIn(frame, totals[i], marker)) {
            std::fflush(stdout);
            std::_Exit(1); // no clean end: the writer may be stuck on a full pty
        }
        at[i].seconds = seconds(Clock::now() - start);
        feed.wait();
        settle();
        at[i].memory = residentMemory();
        at[i].lines = frame.m_pRecView->document()->blockCount();
        at[i].characters = frame.m_pRecView->document()->characterCount();
        print(totals[i], at[i]);
    }
    window.view().ClosePort();

    if (at[0].memory.anonKiB == 0) {
        std::printf("  no RssAnon in /proc/self/status\n");
        return 1;
    }
    const double ratio = double(at[1].memory.anonKiB) / double(at[0].memory.anonKiB);
    std::printf("  RssAnon after %.0f MiB / after %.0f MiB: %.3f (1.0 = no growth); VmRSS: %.3f\n", mib(large),
        mib(small), ratio, double(at[1].memory.totalKiB) / double(at[0].memory.totalKiB));
    printFigure("memory.1g_vs_10m", ratio, "<=1.1", ratio <= 1.1);
    return 0;
}
