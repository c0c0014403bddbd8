// Load figures of the torture run, each as a ratio to a reference measured in
// the same process:
//   - 96 virtual ports at 115,200 baud: each port's complete blocks as a share
//     of its line rate (the lowest port is the figure), CPU seconds per
//     second of run for the whole process and for the board's engine thread
//     (with the idle board's figure beside them);
//   - 16 pseudo-terminal pairs drained by readers: bytes per second of the
//     run as a ratio to plain write() loops on the same pairs.
// Usage: bench_torture [--quick] [seconds of the board run, default 10]
#include "blockmarks.h"
#include "cputime.h"
#include "ptyfarm.h"

#include "bench/support/figure.h"

#include "torture/torturerun.h"
#include "vboard/boardinstall.h"

#include <algorithm>
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
constexpr size_t Block = 1024;
// Longer than one block takes on the line, so that every port shows one.
constexpr std::chrono::milliseconds MarkLimit(1000);

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

struct BoardLoad {
    std::vector<double> shares; // per port, of its line rate
    double processCpu = 0; // CPU seconds per second
    double engineCpu = 0;
    double seconds = 0;
};

double engineSeconds(const vboard::VirtualBoard& board)
{
    return std::chrono::duration<double>(board.engineCpuTime()).count();
}

// CPU is taken between the marks, while nothing but the run is busy.
BoardLoad measureRun(torture::TortureRun& run, const vboard::VirtualBoard& board, double seconds)
{
    const auto counts = [&] { return run.blockCounts(); };
    sleepSeconds(0.3); // every line under way
    const BlockMarks from = nextBlockMarks(counts, MarkLimit);
    CpuClock clock;
    const double engine0 = engineSeconds(board);
    sleepSeconds(seconds);
    BoardLoad load;
    load.seconds = clock.wallSeconds();
    load.processCpu = clock.cpuSeconds() / load.seconds;
    load.engineCpu = (engineSeconds(board) - engine0) / load.seconds;
    const BlockMarks to = nextBlockMarks(counts, MarkLimit);
    load.shares = lineShares(from, to, BoardBaud / BitsPerCharacter, Block);
    return load;
}

double median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
    return v[v.size() / 2];
}

void printBoard(const BoardLoad& load, double idleCpu, double idleEngine)
{
    const double lowest = load.shares.empty() ? 0 : *std::min_element(load.shares.begin(), load.shares.end());
    const auto lowPort = std::min_element(load.shares.begin(), load.shares.end()) - load.shares.begin();
    std::printf(
        "96 virtual ports at 115200, open wiring, %.1f s (%d SetCommState failures)\n", load.seconds, g_refusedBauds);
    std::printf("  line rate, complete 1024-byte blocks: lowest port %.4f (COM%ld), median %.4f\n", lowest,
        long(lowPort) + 3, median(load.shares));
    std::printf("  CPU seconds per second, whole process: %.4f (idle board %.4f)\n", load.processCpu, idleCpu);
    std::printf("  CPU seconds per second, board engine:  %.4f (idle board %.4f)\n", load.engineCpu, idleEngine);
    printFigure("torture.min_port_line_rate", lowest, ">=0.99", lowest >= 0.99);
    printFigure("torture.cpu_per_s", load.processCpu, "<=0.10", load.processCpu <= 0.10);
    printFigure("board.engine_cpu_per_s", load.engineCpu, "<=0.05", load.engineCpu <= 0.05);
}

void boardFigures(double seconds, double idleSeconds)
{
    portio::DeviceNamespace ns(isolatedConfig());
    vboard::BoardConfig config;
    config.ports = BoardPorts;
    config.wiring = vboard::Wiring::Open;
    auto board = vboard::installVirtualBoard(ns, config);

    CpuClock idle;
    const double idleEngine0 = engineSeconds(*board);
    sleepSeconds(idleSeconds);
    const double idleCpu = idle.cpuSeconds() / idle.wallSeconds();
    const double idleEngine = (engineSeconds(*board) - idleEngine0) / idle.wallSeconds();

    torture::TortureRun run;
    if (!run.start(ns, { 3, BoardPorts, BoardBaud }, countMessage)) {
        std::printf("board run did not start\n");
        return;
    }
    const BoardLoad load = measureRun(run, *board, seconds);
    run.stop();
    printBoard(load, idleCpu, idleEngine);
}

double plainWriteRate(PtyFarm& farm, double seconds)
{
    std::atomic<bool> stop { false };
    std::vector<std::thread> writers;
    farm.resetCount();
    CpuClock clock;
    for (int fd : farm.slaveFds())
        writers.emplace_back([fd, &stop] {
            char block[Block];
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

// The only number among the arguments, if any: the length of the board run.
double boardSeconds(int argc, char** argv, double fallback)
{
    for (int i = 1; i < argc; ++i)
        if (const double v = std::atof(argv[i]); v > 0) return v;
    return fallback;
}

} // namespace

int main(int argc, char** argv)
{
    const bool quick = quickRun(argc, argv);
    const double seconds = boardSeconds(argc, argv, quick ? 3.0 : 10.0);
    boardFigures(seconds, quick ? 1.0 : 3.0);
    ptyFigures(quick ? 1.0 : 3.0);
    return 0;
}
