// Load figures of the torture run, each as a ratio to a reference measured in
// the same process:
//   - 96 virtual ports at 115,200 baud: bytes that went out on the lines as a
//     share of the ideal line rate, and CPU seconds per second of run (with
//     the idle board's figure beside it);
//   - 16 pseudo-terminal pairs drained by readers: bytes per second of the
//     run as a ratio to plain write() loops on the same pairs.
// Usage: bench_torture [seconds per measurement, default 3; 30 for the product figure]
#include "cputime.h"
#include "ptyfarm.h"

#include "bench/support/figuresmain.h"

#include "torture/torturerun.h"
#include "vboard/boardinstall.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint32_t BoardBaud = 115200;
constexpr int BoardPorts = 96;
constexpr int PtyPairs = 16;
constexpr double BitsPerCharacter = 10; // start + 8 data + stop

int g_refusedBauds = 0;

void countMessage(const std::string&)
{
    ++g_refusedBauds;
}

portio::DeviceNamespace::Config isolatedConfig()
{
    // Nothing outside what the benchmark defines may resolve (no real ttyS*).
    static char dir[] = "/tmp/bench-torture-XXXXXX";
    static const bool made = mkdtemp(dir) != nullptr;
    (void)made;
    return { dir, dir };
}

void sleepSeconds(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

void boardFigures(double seconds)
{
    portio::DeviceNamespace ns(isolatedConfig());
    vboard::BoardConfig config;
    config.ports = BoardPorts;
    config.wiring = vboard::Wiring::Open;
    auto board = vboard::installVirtualBoard(ns, config);

    CpuClock idle;
    sleepSeconds(seconds);
    const double idleCpu = idle.cpuSeconds() / idle.wallSeconds();

    torture::TortureRun run;
    CpuClock clock;
    if (!run.start(ns, { 3, BoardPorts, BoardBaud }, countMessage)) {
        std::printf("board run did not start\n");
        return;
    }
    sleepSeconds(seconds);
    const auto counts = run.blockCounts();
    const double wall = clock.wallSeconds();
    const double cpu = clock.cpuSeconds();
    run.stop();

    const double sent = double(std::accumulate(counts.begin(), counts.end(), uint64_t(0))) * 1024;
    const double ideal = BoardPorts * BoardBaud / BitsPerCharacter * wall;
    std::printf("96 virtual ports at 115200 for %.1f s (%d SetCommState failures)\n", wall, g_refusedBauds);
    std::printf("  bytes sent / ideal line rate:        %.3f (complete 1024-byte blocks only)\n", sent / ideal);
    std::printf("  CPU seconds per second, run:         %.3f\n", cpu / wall);
    std::printf("  CPU seconds per second, idle board:  %.3f\n", idleCpu);
}

double plainWriteRate(PtyFarm& farm, double seconds)
{
    std::atomic<bool> stop { false };
    std::vector<std::thread> writers;
    farm.resetCount();
    CpuClock clock;
    for (int fd : farm.slaveFds())
        writers.emplace_back([fd, &stop] {
            char block[1024];
            std::fill(std::begin(block), std::end(block), 'x');
            while (!stop.load())
                (void)!write(fd, block, sizeof block);
        });
    sleepSeconds(seconds);
    const double rate = double(farm.bytesRead()) / clock.wallSeconds();
    stop.store(true);
    for (auto& writer : writers)
        writer.join();
    return rate;
}

double tortureRate(PtyFarm& farm, double seconds)
{
    portio::DeviceNamespace ns(isolatedConfig());
    for (size_t i = 0; i < farm.slavePaths().size(); ++i)
        ns.define("COM" + std::to_string(3 + i), farm.slavePaths()[i]);
    torture::TortureRun run;
    if (!run.start(ns, { 3, PtyPairs, BoardBaud }, countMessage)) {
        std::printf("pty run did not start\n");
        return 0;
    }
    farm.resetCount();
    CpuClock clock;
    sleepSeconds(seconds);
    const double rate = double(farm.bytesRead()) / clock.wallSeconds();
    run.stop();
    return rate;
}

void ptyFigures(double seconds)
{
    PtyFarm farm(PtyPairs);
    g_refusedBauds = 0;
    const double plain = plainWriteRate(farm, seconds);
    const double run = tortureRate(farm, seconds);
    std::printf("16 pty pairs, readers draining, %.1f s each (%d SetCommState failures)\n", seconds, g_refusedBauds);
    std::printf("  torture run bytes/s / plain write() loops:  %.3f\n", plain > 0 ? run / plain : 0.0);
}

} // namespace

int main(int argc, char** argv)
{
    return runFigures(argc, argv, boardFigures, ptyFigures);
}
