// Figures of the verified load test, each as a ratio to a reference measured
// in the same process:
//   - 96 virtual ports at 115,200 baud, loopback: the lowest and the median
//     port's throughput as a share of line rate, and CPU seconds per second of
//     the whole process (with the idle board's figure beside it);
//   - 16 pseudo-terminal pairs whose far ends echo: bytes checked per second
//     as a ratio to plain write()/read() loops on the same pairs;
//   - the receive checker alone on noise (a wrong rate, another program's
//     traffic) and on traffic with one byte in a hundred lost, each as its
//     cost per byte against the same checker on clean traffic.
// Usage: bench_verify [seconds per measurement, default 3]
#include "bench/support/figuresmain.h"
#include "bench/support/rawpty.h"
#include "bench/torture/cputime.h"

#include "vboard/boardinstall.h"
#include "verify/streamchecker.h"
#include "verify/verifyrun.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr int BoardPorts = 96;
constexpr int PtyPairs = 16;

void sleepSeconds(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

verify::VerifySettings timed(double seconds)
{
    verify::VerifySettings s;
    s.duration = std::chrono::milliseconds(int64_t(seconds * 1000));
    s.latencySamples = 0;
    return s;
}

void boardFigures(double seconds)
{
    portio::DeviceNamespace ns;
    vboard::BoardConfig config;
    config.ports = BoardPorts;
    vboard::installVirtualBoard(ns, config);
    CpuClock idle;
    sleepSeconds(seconds);
    const double idleCpu = idle.cpuSeconds() / idle.wallSeconds();

    std::vector<std::string> ports;
    std::vector<int> sources;
    for (int i = 0; i < BoardPorts; ++i) {
        ports.push_back("COM" + std::to_string(3 + i));
        sources.push_back(i);
    }
    CpuClock clock;
    const auto report = verify::VerifyRun(ns, ports, sources, timed(seconds)).run();
    const double cpu = clock.cpuSeconds() / clock.wallSeconds();
    std::vector<double> rates;
    for (const auto& p : report.ports)
        rates.push_back(p.lineRateFraction);
    std::sort(rates.begin(), rates.end());
    std::printf("96 virtual ports at 115200, loopback, %.1f s (%s)\n", seconds, report.pass ? "pass" : "FAIL");
    std::printf("  throughput / line rate, lowest port:  %.3f\n", rates.front());
    std::printf("  throughput / line rate, median port:  %.3f\n", rates[rates.size() / 2]);
    std::printf("  CPU seconds per second, run:          %.3f\n", cpu);
    std::printf("  CPU seconds per second, idle board:   %.3f\n", idleCpu);
    printFigure("verify.cpu_per_s", cpu, "<=0.10", cpu <= 0.10);
    printFigure("verify.min_port_line_rate", rates.front(), ">=0.99", report.pass && rates.front() >= 0.99);
}

// Far ends that send back what they receive.
class EchoFarm {
public:
    EchoFarm()
    {
        for (int i = 0; i < PtyPairs; ++i)
            m_ptys.push_back(std::make_unique<RawPty>());
        for (auto& p : m_ptys) {
            ::fcntl(p->master, F_SETFL, ::fcntl(p->master, F_GETFL) | O_NONBLOCK);
            m_threads.emplace_back([this, fd = p->master] { echo(fd); });
        }
    }
    ~EchoFarm()
    {
        m_stop = true;
        for (auto& t : m_threads)
            t.join();
    }
    const std::vector<std::unique_ptr<RawPty>>& ptys() const { return m_ptys; }

private:
    void echo(int fd)
    {
        char buf[4096];
        while (!m_stop) {
            pollfd pfd { fd, POLLIN, 0 };
            if (::poll(&pfd, 1, 20) <= 0) continue;
            const ssize_t n = ::read(fd, buf, sizeof buf);
            for (ssize_t done = 0; n > 0 && done < n && !m_stop;) {
                const ssize_t w = ::write(fd, buf + done, size_t(n - done));
                pollfd out { fd, POLLOUT, 0 };
                if (w > 0)
                    done += w;
                else
                    ::poll(&out, 1, 20);
            }
        }
    }

    std::vector<std::unique_ptr<RawPty>> m_ptys;
    std::vector<std::thread> m_threads;
    std::atomic<bool> m_stop { false };
};

// Each slave written and read back by two plain loops.
double plainRate(EchoFarm& farm, double seconds)
{
    std::atomic<bool> stopWriting { false }, stop { false };
    std::atomic<uint64_t> got { 0 };
    std::vector<std::thread> writers, threads;
    for (auto& p : farm.ptys()) {
        writers.emplace_back([fd = p->slave, &stopWriting] {
            char block[1024] = {};
            while (!stopWriting)
                (void)!::write(fd, block, sizeof block);
        });
        threads.emplace_back([fd = p->slave, &stop, &got] {
            char buf[4096];
            while (!stop) {
                pollfd pfd { fd, POLLIN, 0 };
                if (::poll(&pfd, 1, 20) <= 0) continue;
                const ssize_t n = ::read(fd, buf, sizeof buf);
                if (n > 0) got += uint64_t(n);
            }
        });
    }
    CpuClock clock;
    sleepSeconds(seconds);
    const double rate = double(got) / clock.wallSeconds();
    // Writers first: the readers and echoes drain what keeps them blocked.
    stopWriting = true;
    for (auto& t : writers)
        t.join();
    stop = true;
    for (auto& t : threads)
        t.join();
    // What the loops left in flight would otherwise reach the verify run.
    sleepSeconds(0.2);
    for (auto& p : farm.ptys())
        ::tcflush(p->slave, TCIOFLUSH);
    return rate;
}

double verifyRate(EchoFarm& farm, double seconds)
{
    portio::DeviceNamespace ns;
    std::vector<std::string> ports;
    std::vector<int> sources;
    for (auto& p : farm.ptys()) {
        sources.push_back(int(ports.size()));
        ports.push_back(p->path);
    }
    auto s = timed(seconds);
    s.minRate = 0;
    s.line.baud = 921600;
    CpuClock clock;
    const auto report = verify::VerifyRun(ns, ports, sources, s).run();
    uint64_t got = 0;
    for (const auto& p : report.ports)
        got += p.bytesReceived;
    if (!report.pass) std::printf("  (the pty run failed: %s)\n", report.ports.front().reason.c_str());
    return double(got) / seconds;
}

void ptyFigures(double seconds)
{
    EchoFarm farm;
    const double plain = plainRate(farm, seconds);
    const double checked = verifyRate(farm, seconds);
    std::printf("16 pty pairs, far ends echoing, %.1f s each\n", seconds);
    std::printf("  verified bytes/s / plain write()+read() loops:  %.3f\n", plain > 0 ? checked / plain : 0.0);
}

// CPU seconds per byte that one checker spends on `line`, fed in 80-byte reads.
double checkSecondsPerByte(const std::vector<uint8_t>& line, uint64_t sent)
{
    verify::StreamChecker checker(8, 1);
    CpuClock clock;
    for (size_t at = 0; at < line.size(); at += 80)
        checker.feed(line.data() + at, std::min<size_t>(80, line.size() - at));
    checker.finish(sent);
    return clock.cpuSeconds() / double(line.size());
}

void checkerFigures()
{
    constexpr size_t Bytes = 4 << 20;
    std::vector<uint8_t> clean(Bytes), noise(Bytes / 8), lossy;
    verify::TestPattern(8).fill(1, 0, clean.data(), clean.size());
    std::mt19937 rng(1);
    for (auto& b : noise)
        b = uint8_t(rng());
    for (uint8_t b : clean)
        if (rng() % 100) lossy.push_back(b);
    const double reference = checkSecondsPerByte(clean, Bytes);
    std::printf("receive checker, cost per byte against clean traffic (%.1f ns a byte):\n", reference * 1e9);
    std::printf("  one byte in a hundred lost:  %.1f\n", checkSecondsPerByte(lossy, Bytes) / reference);
    std::printf("  noise:                       %.1f\n", checkSecondsPerByte(noise, noise.size()) / reference);
}

} // namespace

int main(int argc, char** argv)
{
    const int status = runFigures(argc, argv, boardFigures, ptyFigures);
    if (status == 0) checkerFigures();
    return status;
}
