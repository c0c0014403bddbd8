// Throughput of the POSIX backend over a pseudo-terminal pair, as ratios to
// plain read()/write() loops on the same pair in the same run:
// - write_vs_plain: bytes/s of Port::write over bytes/s of ::write;
// - read_vs_plain: bytes/s of Port::read over bytes/s of ::read.
// A ratio of 1 means the port layer costs nothing over the bare system calls.
#include "bench/support/benchmarkmain.h"
#include "bench/support/figure.h"
#include "bench/support/rawpty.h"
#include "portio/posix/posixport.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace portio;
using Clock = std::chrono::steady_clock;

constexpr size_t Chunk = 4096;
constexpr size_t Total = size_t(16) << 20;

using Pty = RawPty;

void drain(int fd, size_t n)
{
    std::vector<char> buf(65536);
    for (size_t got = 0; got < n;) {
        const ssize_t r = ::read(fd, buf.data(), buf.size());
        if (r <= 0) return;
        got += size_t(r);
    }
}

void feed(int fd, size_t n)
{
    std::vector<char> buf(Chunk, 'f');
    for (size_t sent = 0; sent < n;) {
        const ssize_t w = ::write(fd, buf.data(), std::min(buf.size(), n - sent));
        if (w <= 0) return;
        sent += size_t(w);
    }
}

// Seconds from the start until `transfer` has moved Total bytes and the far
// end (run in a thread) has done its part.
double timed(const std::function<void()>& farEnd, const std::function<void()>& transfer)
{
    const auto start = Clock::now();
    std::thread far(farEnd);
    transfer();
    far.join();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double plainWrite(Pty& p)
{
    std::vector<char> buf(Chunk, 'w');
    return timed([&] { drain(p.master, Total); },
        [&] {
            for (size_t sent = 0; sent < Total;)
                sent += size_t(std::max<ssize_t>(0, ::write(p.slave, buf.data(), Chunk)));
        });
}

double portWrite(Pty& p, Port& port)
{
    std::vector<char> buf(Chunk, 'w');
    return timed([&] { drain(p.master, Total); },
        [&] {
            for (size_t sent = 0; sent < Total;)
                sent += port.write(buf.data(), Chunk).count;
        });
}

double plainRead(Pty& p)
{
    std::vector<char> buf(Chunk);
    return timed([&] { feed(p.master, Total); },
        [&] {
            for (size_t got = 0; got < Total;)
                got += size_t(std::max<ssize_t>(0, ::read(p.slave, buf.data(), Chunk)));
        });
}

double portRead(Pty& p, Port& port)
{
    std::vector<char> buf(Chunk);
    return timed([&] { feed(p.master, Total); },
        [&] {
            for (size_t got = 0; got < Total;)
                got += port.read(buf.data(), Chunk).count;
        });
}

void BM_PtyThroughputVsPlain(benchmark::State& state)
{
    for (auto _ : state) {
        Pty p;
        auto port = openPosixPort(p.path, Access::ReadWrite, OpenPurpose::Io);
        if (!port) {
            state.SkipWithError(port.error().text.c_str());
            return;
        }
        CommTimeouts t; // return with whatever has come, like a blocking read()
        t.ReadIntervalTimeout = MAXDWORD;
        t.ReadTotalTimeoutMultiplier = MAXDWORD;
        t.ReadTotalTimeoutConstant = 1000;
        (*port)->setTimeouts(t);
        double pw = 1e9, qw = 1e9, pr = 1e9, qr = 1e9;
        // Best of seven, interleaved: one pass of a pty loop swings by a
        // third with where the scheduler puts the two ends.
        for (int round = 0; round < 7; ++round) {
            pw = std::min(pw, plainWrite(p));
            qw = std::min(qw, portWrite(p, **port));
            pr = std::min(pr, plainRead(p));
            qr = std::min(qr, portRead(p, **port));
        }
        state.counters["write_vs_plain"] = pw / qw;
        state.counters["read_vs_plain"] = pr / qr;
        std::printf("port write throughput = %.2f x plain write(); port read throughput = %.2f x plain read()\n",
            pw / qw, pr / qr);
        printFigure("portio.read_vs_plain", pr / qr, ">=0.9", pr / qr >= 0.9);
        printFigure("portio.write_vs_plain", pw / qw, ">=0.9", pw / qw >= 0.9);
    }
}

BENCHMARK(BM_PtyThroughputVsPlain)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    return quickBenchmarkMain(argc, argv);
}
