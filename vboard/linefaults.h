#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace vboard {

// Damage the board can do to its lines, for tests of whatever checks them.
// Ports are named by COM number here, as the user gives them.
struct FaultConfig {
    double noise = 0; // bit errors per data bit, every line
    std::map<int, double> drops; // COM number -> lost received bytes per byte
    std::optional<std::pair<int, int>> swap; // the two ports' receive lines change places
    std::set<int> noCts; // CTS stuck low
    uint64_t seed = 1;

    bool any() const { return noise > 0 || !drops.empty() || swap || !noCts.empty(); }
};

// The faults of one board, by port index. Seeded, so that a run with the
// same traffic damages the same bytes. Used under the board's mutex.
class LineFaults {
public:
    LineFaults(const FaultConfig& config, int firstCom, int ports);

    // The port that takes `index`'s place on the receive side.
    int swapped(int index) const;
    bool ctsStuckLow(int index) const { return m_noCts.count(index) != 0; }
    // False when pass() returns every byte to receiver `index` unchanged.
    bool damages(int index) const { return m_noise > 0 || m_dropRate[size_t(index)] > 0; }
    // A byte on its way to receiver `index`: damaged, or gone (nullopt).
    std::optional<uint8_t> pass(int index, uint8_t byte, int dataBits);

private:
    uint64_t gap(double rate);

    std::mt19937_64 m_rng;
    double m_noise = 0;
    uint64_t m_bitsToError = 0;
    std::vector<double> m_dropRate;
    std::vector<uint64_t> m_bytesToDrop;
    std::optional<std::pair<int, int>> m_swap;
    std::set<int> m_noCts;
};

} // namespace vboard
