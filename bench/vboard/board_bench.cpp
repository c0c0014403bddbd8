// 96 ports at 115200 baud in pairs wiring, every port writing and reading at
// once. Figures, both ratios:
// - delivered_vs_line: bytes read per second over what the lines can carry
//   (96 x 11520 bytes/s at 8N1) in the same time;
// - lowest_port_vs_line: the same for the port that received least;
// - engine_cpu_per_s: CPU seconds the board's engine thread used per second
//   of the run (also a FIGURE line, with its target).
// --quick runs 1 s instead of 3.
#include "bench/support/benchmarkmain.h"
#include "bench/support/quickoption.h"
#include "vboard/virtualboard.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <string_view>
#include <thread>
#include <vector>

namespace {

using namespace portio;
using namespace vboard;

constexpr int Ports = 96;
constexpr uint32_t Baud = 115200;

struct Station {
    PortPtr port;
    std::thread writer;
    std::thread reader;
    std::atomic<uint64_t> received { 0 };
};

void startStation(Station& s, const std::atomic<bool>& running)
{
    s.writer = std::thread([&] {
        std::vector<uint8_t> block(4096, 0x55);
        while (running)
            s.port->write(block.data(), block.size());
    });
    s.reader = std::thread([&] {
        CommTimeouts t;
        t.ReadIntervalTimeout = 20;
        t.ReadTotalTimeoutConstant = 50;
        s.port->setTimeouts(t);
        std::vector<uint8_t> buf(4096);
        while (running)
            s.received += s.port->read(buf.data(), buf.size()).count;
    });
}

void BM_Board96Ports115200(benchmark::State& state)
{
    BoardConfig config;
    config.ports = Ports;
    config.wiring = Wiring::Pairs;
    for (auto _ : state) {
        VirtualBoard board(config);
        std::vector<Station> stations(Ports);
        std::atomic<bool> running { true };
        Dcb dcb;
        dcb.BaudRate = Baud;
        for (int i = 0; i < Ports; ++i) {
            stations[size_t(i)].port = std::move(board.open(i, Access::ReadWrite).value());
            stations[size_t(i)].port->setState(dcb);
        }
        for (auto& s : stations)
            startStation(s, running);
        std::this_thread::sleep_for(std::chrono::milliseconds(200)); // let every line get going
        std::vector<uint64_t> before;
        for (auto& s : stations)
            before.push_back(s.received);
        const auto cpu0 = board.engineCpuTime();
        const auto t0 = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(fullOrQuick<int64_t>(state.range(0), 1)));
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const double cpu = std::chrono::duration<double>(board.engineCpuTime() - cpu0).count();
        uint64_t total = 0, lowest = UINT64_MAX;
        for (size_t i = 0; i < stations.size(); ++i) {
            const uint64_t got = stations[i].received - before[i];
            total += got;
            lowest = std::min(lowest, got);
        }
        running = false;
        for (auto& s : stations)
            s.port->purge(PURGE_TXABORT | PURGE_RXABORT);
        for (auto& s : stations) {
            s.writer.join();
            s.reader.join();
        }
        const double ideal = double(Ports) * Baud / 10.0 * wall;
        state.counters["delivered_vs_line"] = double(total) / ideal;
        state.counters["lowest_port_vs_line"] = double(lowest) * Ports / ideal;
        state.counters["engine_cpu_per_s"] = cpu / wall;
        printFigure("board.pairs_engine_cpu_per_s", cpu / wall, "<=0.05", cpu / wall <= 0.05);
    }
}

BENCHMARK(BM_Board96Ports115200)->Arg(3)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    return quickBenchmarkMain(argc, argv);
}
