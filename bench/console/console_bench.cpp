// Receive-path benchmarks, each figure a ratio to a reference measured in the
// same run:
//  1. bytes per second from a pseudo-terminal into the receive pane (bytes it
//     skipped because it fell a backlog behind do not count), against
//     `cat` reading the same pseudo-terminal;
//  2. the cost of one append when the pane holds 10 MB, against 100 KB.
// Beside 1, two bounds measured in the same run: what the receive thread
// alone needs to hand on the same bytes (a session without a window, its bytes
// counted and dropped): no pane above that thread can be faster; and what the
// pane's text store needs to take every line (a bare text document, appended
// to in frames): what a pane that put each line there would need.
#include "bench/support/benchwindow.h"
#include "bench/support/eventwait.h"
#include "bench/support/figure.h"
#include "bench/support/fixedfileui.h"
#include "bench/support/quickoption.h"
#include "bench/support/rawpty.h"
#include "bench/support/windowcounts.h"
#include "consoleui/allocator.h"
#include "consoleui/panetail.h"
#include "consoleui/recview.h"
#include "consoleui/vesperlineview.h"
#include "portio/devicenamespace.h"
#include "session/consolesession.h"
#include "shell/splitterframe.h"
#include "shell/vesperlinedoc.h"
#include "tests/console/consolewindow.h"
#include "tests/support/testdevices.h"

#include <QApplication>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

struct Pty : RawPty {
    void writeAll(const std::string& data)
    {
        size_t done = 0;
        while (done < data.size()) {
            const ssize_t w = ::write(master, data.data() + done, data.size() - done);
            if (w > 0) done += size_t(w);
        }
    }
};

// Lines of 99 characters and a line break, then "END".
std::string payload(size_t bytes)
{
    std::string line(99, 'x');
    line += '\n';
    std::string data;
    while (data.size() + line.size() <= bytes)
        data += line;
    return data + "END\n";
}

double catSeconds(Pty& pty, const std::string& data)
{
    int out[2];
    if (::pipe(out) != 0) std::abort();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::execlp("cat", "cat", pty.path.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // let cat open the device
    const auto start = Clock::now();
    std::thread writer([&] { pty.writeAll(data); });
    size_t got = 0;
    char buf[65536];
    while (got < data.size()) {
        const ssize_t n = ::read(out[0], buf, sizeof buf);
        if (n <= 0) break;
        got += size_t(n);
    }
    const double s = seconds(Clock::now() - start);
    writer.join();
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    ::close(out[0]);
    return s;
}

double cpuSeconds(int who)
{
    rusage u {};
    ::getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

struct PaneRound {
    double seconds;
    double uiCpu; // the user-interface thread's CPU time during the round
    double otherCpu; // every other thread of the process (the receive thread and the feeding one)
    uint64_t notShown; // bytes the pane skipped, a whole backlog behind, with a notice
    uint64_t unseen; // bytes it skipped that would have scrolled out unseen
};

PaneRound paneSeconds(Pty& pty, const std::string& data)
{
    BenchWindow window(pty.path);
    CSplitterFrame& frame = window.frame();
    CRecView& pane = window.pane();
    const double ui0 = cpuSeconds(RUSAGE_THREAD), all0 = cpuSeconds(RUSAGE_SELF);
    const auto start = Clock::now();
    EventWait events;
    std::thread writer([&] { pty.writeAll(data); });
    while (pane.document()->lastBlock().previous().text() != QLatin1String("END"))
        events.turn();
    const double s = seconds(Clock::now() - start);
    writer.join();
    const double ui = cpuSeconds(RUSAGE_THREAD) - ui0, all = cpuSeconds(RUSAGE_SELF) - all0;
    // The end marker shows even when the pane skipped bytes it had no time
    // for (they are taken off its figure); a figure counts only when the
    // session read every byte.
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (bytesRead(frame) != data.size() && Clock::now() < deadline)
        events.turn();
    if (bytesRead(frame) != data.size()) {
        std::printf("FAILED: the session read %llu of %zu bytes\n", (unsigned long long)bytesRead(frame), data.size());
        std::exit(1);
    }
    return { s, ui, all - ui, pane.bytesNotShown(), pane.bytesUnseen() };
}

// The receive thread with nothing above it: a session on the pty whose
// bytes are counted and dropped, timed until the last byte is handed on.
double sessionSeconds(Pty& pty, const std::string& data)
{
    std::atomic<size_t> got { 0 };
    ConsoleSession::Events events;
    events.received = [&got](std::string_view bytes) { got += bytes.size(); };
    ConsoleSession session(testDevices(), events);
    session.InitPortContext();
    session.m_portCtx.portName = "COM2";
    if (!testDevices().define("COM2", pty.path).ok() || !session.OpenPort()) {
        std::fprintf(stderr, "COM2 (%s) does not open\n", pty.path.c_str());
        std::exit(1);
    }
    const auto start = Clock::now();
    std::thread writer([&] { pty.writeAll(data); });
    const auto deadline = start + std::chrono::seconds(10);
    while (got < data.size() && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    const double s = seconds(Clock::now() - start);
    writer.join();
    session.ClosePort();
    testDevices().undefine("COM2");
    if (got != data.size()) {
        std::printf("FAILED: the session alone handed on %zu of %zu bytes\n", got.load(), data.size());
        std::exit(1);
    }
    return s;
}

// The payload appended in `batches` parts to a bare document kept to the
// pane's line limit, as the pane appends what it drains.
double documentSeconds(const std::string& data, int batches)
{
    QTextDocument document;
    document.setUndoRedoEnabled(false);
    PaneTail tail(&document, CRecView::MaxLines);
    const QString text = QString::fromLatin1(data.data(), qsizetype(data.size()));
    const qsizetype step = text.size() / batches + 1;
    const auto start = Clock::now();
    for (qsizetype at = 0; at < text.size(); at += step)
        tail.append(text.mid(at, step));
    return seconds(Clock::now() - start);
}

// Mean time of one 80-byte append (with its repaint) to a pane holding `fill` bytes.
double appendSeconds(size_t fill)
{
    CRecView pane;
    pane.resize(900, 600);
    pane.show();
    std::string line(999, 'y');
    line += '\n';
    std::string text;
    while (text.size() < fill)
        text += line;
    pane.appendBytes(text);
    QCoreApplication::processEvents();
    const std::string chunk = std::string(79, 'z') + "\n";
    const int appends = fullOrQuick(2000, 200);
    const auto start = Clock::now();
    for (int i = 0; i < appends; ++i) {
        pane.appendBytes(chunk);
        QCoreApplication::processEvents();
    }
    return seconds(Clock::now() - start) / appends;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    returnLargeBlocksToTheSystem(); // as the program does at start-up
    const std::string data = payload(fullOrQuick(4 << 20, 1 << 20));
    Pty pty;
    // cat moves the payload in a few tens of milliseconds, and one run of
    // either scatters by a factor of several with where the scheduler puts
    // the threads (cat took 25 to 164 ms in one run): the figure is the best
    // round of each, over interleaved rounds of cat and the pane.
    double cat = 1e9, pane = 1e9, thread = 1e9;
    std::printf("receive path, %zu bytes from a pty, rounds of cat then the pane:\n", data.size());
    for (int round = 0; round < fullOrQuick(7, 3); ++round) {
        const double c = catSeconds(pty, data);
        const PaneRound p = paneSeconds(pty, data);
        const double t = sessionSeconds(pty, data);
        cat = std::min(cat, c);
        // Bytes the pane skipped, with a notice or without, are not counted
        // as taken in: the round's time is stretched to what taking them at
        // its pace would have needed.
        const double taken = double(data.size() - p.notShown - p.unseen) / double(data.size());
        pane = std::min(pane, p.seconds / taken);
        thread = std::min(thread, t);
        std::printf("  round %d: cat %.1f ms, pane %.1f ms (CPU: user-interface thread %.1f ms, the others %.1f ms), "
                    "receive thread alone %.1f ms; bytes not shown %llu, unseen %llu\n",
            round + 1, c * 1e3, p.seconds * 1e3, p.uiCpu * 1e3, p.otherCpu * 1e3, t * 1e3,
            (unsigned long long)p.notShown, (unsigned long long)p.unseen);
    }
    std::printf(
        "  into the receive pane: %.3f of the throughput of cat reading the same pty (best rounds; only the bytes "
        "the pane took count)\n",
        cat / pane);
    std::printf("  the receive thread alone hands the same bytes on in %.1f ms (best round): a pane above it can be at "
                "most %.3f of cat\n",
        thread * 1e3, cat / thread);
    double alone = 1e9;
    for (int round = 0; round < 3; ++round)
        alone = std::min(alone, documentSeconds(data, 6));
    std::printf(
        "  the pane's text document alone takes every one of the same lines in %.1f ms (best of 3): a pane that "
        "put each line there could be at most %.3f of cat\n",
        alone * 1e3, cat / alone);
    printFigure("pane.vs_cat", cat / pane, ">=0.3", cat / pane >= 0.3);

    const double small = appendSeconds(100 << 10);
    const double large = appendSeconds(10 << 20);
    std::printf("one 80-byte append with repaint:\n");
    std::printf("  pane holding 10 MB / pane holding 100 KB: %.2f (1.0 = no growth with the text)\n", large / small);
    return 0;
}
