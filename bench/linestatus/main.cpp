// The cost of a window's line status strip at 921600 baud: process CPU while
// a pseudo-terminal carries 92160 bytes a second into a reader, with the
// monitor and strip watching, against the same run without them, each as a
// share of one core. The runs alternate, so that a change in the machine's
// load meets both alike.
#include "bench/support/figure.h"
#include "bench/support/rawpty.h"
#include "bench/torture/cputime.h"
#include "consoleui/linestatusstrip.h"
#include "linestatus/linestatusmonitor.h"
#include "portio/posix/posixport.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

constexpr size_t BytesPerSecond = 92160;
constexpr int SlicesPerSecond = 20;

// The far end: the bytes of each 50 ms slice, on time.
void feed(RawPty& pty, const std::atomic<bool>& running)
{
    const std::string slice(BytesPerSecond / SlicesPerSecond, 'x');
    auto due = std::chrono::steady_clock::now();
    while (running) {
        for (size_t done = 0; done < slice.size();) {
            const ssize_t w = ::write(pty.master, slice.data() + done, slice.size() - done);
            if (w > 0) done += size_t(w);
        }
        due += std::chrono::milliseconds(1000 / SlicesPerSecond);
        std::this_thread::sleep_until(due);
    }
}

double run(double seconds, bool withStrip)
{
    RawPty pty;
    auto opened = portio::openPosixPort(pty.path, portio::Access::ReadWrite, portio::OpenPurpose::Io);
    if (!opened) std::abort();
    std::shared_ptr<portio::Port> port(std::move(*opened));
    LineStatusStrip strip;
    std::unique_ptr<linestatus::LineStatusMonitor> monitor;
    if (withStrip)
        monitor = std::make_unique<linestatus::LineStatusMonitor>(port, [&strip](const linestatus::LineState& s) {
            QMetaObject::invokeMethod(
                &strip, [&strip, s] { strip.setState(s); }, Qt::QueuedConnection);
        });
    std::atomic<bool> running { true };
    std::thread reader([&] {
        char buf[80];
        while (running) {
            // A blocking read of the slave, as the receive thread's wait is.
            const ssize_t n = ::read(pty.slave, buf, sizeof buf);
            if (monitor && n > 0) monitor->noteReceived(size_t(n));
        }
    });
    std::thread far([&] { feed(pty, running); });
    CpuClock clock;
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    const double share = clock.cpuSeconds() / clock.wallSeconds();
    running = false;
    far.join();
    (void)::write(pty.master, "x", 1); // releases the last read
    reader.join();
    if (monitor) monitor->stop();
    return share;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const bool quick = quickRun(argc, argv);
    const double seconds = quick ? 1.0 : 2.5;
    const int rounds = quick ? 1 : 4;
    double without = 0, with = 0;
    for (int i = 0; i < rounds; ++i) {
        without += run(seconds, false) / rounds;
        with += run(seconds, true) / rounds;
    }
    // What the strip adds to the same reading, as a share of one core: CPU
    // seconds per wall second of the runs with it, less those without it.
    const double added = std::max(0.0, with - without);
    std::printf("921600 baud on a pseudo-terminal, %d x %.1f s each, alternating:\n", rounds, seconds);
    std::printf("  reader alone:             %.2f%% of one core\n", without * 100);
    std::printf("  reader + monitor + strip: %.2f%% of one core\n", with * 100);
    std::printf("  the strip's updates:      %.2f%% of one core\n", (with - without) * 100);
    // The target: a window's strip costs at most 1% of one core at this rate.
    printFigure("linestatus.strip_cpu_per_s", added, "<=0.01", added <= 0.01);
    return 0;
}
